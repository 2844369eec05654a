// One worker's output: gathers the many small pieces of a stretch (runs of the
// genealogy file, coordinate blocks, line ends) into large buffers, which go
// to the sink in the order of the stretches, whichever worker finishes first.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "core/large_array.hpp"
#include "core/ordered_sink.hpp"
#include "core/padding.hpp"

namespace platsmarkeraren {

class StretchOutput {
 public:
  // Buffers of `capacity` bytes; see buffer_size_for.
  StretchOutput(OrderedSink& sink, std::size_t capacity);
  StretchOutput(const StretchOutput&) = delete;
  StretchOutput& operator=(const StretchOutput&) = delete;
  // Waits until its buffers are written, or, once the writing is stopped,
  // given up. A worker that fails stops the writing itself (see
  // visit_stretches): until then its buffers are written as their turns come,
  // since each holds a piece before any that its failed stretch leaves out.
  ~StretchOutput();

  // The output of a small file needs small buffers, so that its run stays
  // small; a large file or a pipe (size 0) gets buffers that hold the output
  // of a whole stretch.
  static std::size_t buffer_size_for(std::size_t genealogy_size);

  void start(std::size_t stretch);

  // Bytes with readable bytes after them: a short piece is copied in one
  // stride.
  void write(PaddedBytes bytes) {
    if (bytes.size() <= kCopyStride && kCopyStride <= capacity_ - used_) {
      std::memcpy(data_ + used_, bytes.data(), kCopyStride);
      used_ += bytes.size();
    } else {
      write(std::string_view(bytes));
    }
  }

  void write(std::string_view bytes) {
    if (bytes.size() <= capacity_ - used_) {
      std::memcpy(data_ + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      write_past_end(bytes);
    }
  }

  // Hands over the rest of the stretch.
  void finish();

 private:
  // Two buffers, so that a worker can go on with its next stretch while its
  // last one waits for the stretches before it; together one huge page.
  static constexpr std::size_t kBuffers = 2;

  void write_past_end(std::string_view bytes);
  void hand_over(bool last);
  void take_free_buffer();

  OrderedSink& sink_;
  // One piece of memory for all, in huge pages where the system offers
  // them: that saves hundreds of page faults.
  LargeArray<char> memory_;
  OrderedSink::Buffer buffers_[kBuffers];
  OrderedSink::Buffer* buffer_ = nullptr;  // the one being filled
  // Of that buffer, kept here for the copies of the pieces.
  char* data_ = nullptr;
  std::size_t capacity_;
  std::size_t used_ = 0;
  std::size_t stretch_ = 0;
  std::size_t part_ = 0;
};

}  // namespace platsmarkeraren
