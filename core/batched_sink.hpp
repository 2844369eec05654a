// Gathers many short writes into writes of a megabyte or more, for a sink that
// passes on what it is given at once: an output file, or the page's
// download, where each write costs a call of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/stream.hpp"

namespace platsmarkeraren {

class BatchedSink final : public Sink {
 public:
  explicit BatchedSink(Sink& out, std::size_t batch = std::size_t{1} << 20) : out_(out), batch_(batch) {}
  ~BatchedSink() override = default;
  BatchedSink(const BatchedSink&) = delete;
  BatchedSink& operator=(const BatchedSink&) = delete;

  void write(std::string_view bytes) override {
    pending_.append(bytes);
    if (pending_.size() >= batch_) flush();
  }
  // Passes on what is gathered; the owner calls it once all is written.
  void flush() {
    if (!pending_.empty()) out_.write(pending_);
    pending_.clear();
  }

 private:
  Sink& out_;
  std::size_t batch_;
  std::string pending_;
};

}  // namespace platsmarkeraren
