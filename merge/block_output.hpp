// One worker's output: gathers the many small pieces of a block (runs of the
// genealogy file, coordinate blocks, line ends) into large buffers, which go
// to the sink in the order of the blocks, whichever worker finishes first.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "merge/ordered_sink.hpp"

namespace platsmarkeraren {

// Every piece written comes from one of the merge's own buffers, which keep
// this many readable bytes past their data: a short piece is then copied in
// one fixed stride, which costs less than a copy of its exact length.
inline constexpr std::size_t kCopyStride = 128;

class BlockOutput {
 public:
  explicit BlockOutput(OrderedSink& sink);
  BlockOutput(const BlockOutput&) = delete;
  BlockOutput& operator=(const BlockOutput&) = delete;
  // Waits until its buffers are written, or, after a failure, given up.
  ~BlockOutput();

  void start(std::size_t block);

  void write(std::string_view bytes) {
    if (bytes.size() <= kCopyStride && kCopyStride <= capacity_ - used_) {
      std::memcpy(data_ + used_, bytes.data(), kCopyStride);
      used_ += bytes.size();
    } else if (bytes.size() <= capacity_ - used_) {
      std::memcpy(data_ + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      write_past_end(bytes);
    }
  }

  // Hands over the rest of the block.
  void finish();

 private:
  // A few buffers, so that a worker can go on with its next block while
  // its last one waits for the blocks before it.
  static constexpr std::size_t kBuffers = 3;

  void write_past_end(std::string_view bytes);
  void grow(std::size_t needed);
  void hand_over(bool last);
  void take_free_buffer();

  OrderedSink& sink_;
  OrderedSink::Buffer buffers_[kBuffers];
  OrderedSink::Buffer* buffer_ = nullptr;  // the one being filled
  // Of that buffer, kept here for the copies of the pieces.
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::size_t block_ = 0;
  std::size_t part_ = 0;
  int failures_before_ = 0;  // exceptions under way when it was made
};

}  // namespace platsmarkeraren
