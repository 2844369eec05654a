// An archive held in memory, for the tests and the fuzzer: it gives what it
// has in pieces of at most `piece` bytes, as a file may.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "gedzip/gedzip.hpp"

namespace platsmarkeraren {

class MemoryFile final : public RandomAccess {
 public:
  explicit MemoryFile(std::string bytes, std::size_t piece = SIZE_MAX) : bytes_(std::move(bytes)), piece_(piece) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t read_at(std::uint64_t offset, char* into, std::size_t size) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t given = std::min({size, bytes_.size() - static_cast<std::size_t>(offset), piece_});
    std::memcpy(into, bytes_.data() + offset, given);
    return given;
  }

 private:
  std::string bytes_;
  std::size_t piece_;
};

}  // namespace platsmarkeraren
