// Streams over text in memory, for tests, fuzzing and benchmarks only. A
// source can hand out its text in short reads, as a pipe does, to reach
// every boundary of the merge's buffers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "core/stream.hpp"

namespace platsmarkeraren {

class StringSource final : public Source {
 public:
  explicit StringSource(std::string_view text,
                        std::size_t longest_read = std::numeric_limits<std::size_t>::max())
      : text_(text), longest_read_(longest_read) {}

  std::size_t read(char* into, std::size_t size) override {
    const std::size_t got = std::min({size, longest_read_, text_.size()});
    std::memcpy(into, text_.data(), got);
    text_.remove_prefix(got);
    return got;
  }

  std::size_t size_hint() const override { return text_.size(); }

 private:
  std::string_view text_;
  std::size_t longest_read_;
};

class StringSink final : public Sink {
 public:
  void write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

// Runs `operation` (the merge, say: called with a genealogy source, a
// coordinate source and a sink) on two texts, read in pieces of at most
// `longest_read` bytes, and returns what it wrote.
template <typename Operation>
std::string run_in_memory(Operation operation, std::string_view genealogy, std::string_view coordinates,
                          std::size_t longest_read = std::numeric_limits<std::size_t>::max()) {
  StringSource genealogy_source(genealogy, longest_read);
  StringSource coordinate_source(coordinates, longest_read);
  StringSink output;
  operation(genealogy_source, coordinate_source, output);
  return output.text;
}

}  // namespace platsmarkeraren
