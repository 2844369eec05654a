// Gathers many short writes into writes of a megabyte, for a sink that
// passes on what it is given at once: an output file, or the page's
// download, where each write costs a call of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class BatchedSink final : public Sink {
 public:
  explicit BatchedSink(Sink& out) : out_(out) {}
  ~BatchedSink() override = default;
  BatchedSink(const BatchedSink&) = delete;
  BatchedSink& operator=(const BatchedSink&) = delete;

  void write(std::string_view bytes) override {
    pending_.append(bytes);
    if (pending_.size() >= kBatch) flush();
  }
  // Passes on what is gathered; the owner calls it once all is written.
  void flush() {
    if (!pending_.empty()) out_.write(pending_);
    pending_.clear();
  }

 private:
  static constexpr std::size_t kBatch = std::size_t{1} << 20;
  Sink& out_;
  std::string pending_;
};

}  // namespace platsmarkeraren
