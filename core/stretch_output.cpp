#include "core/stretch_output.hpp"

#include <algorithm>

namespace platsmarkeraren {

namespace {

// The largest buffers hold the output of a whole stretch of the genealogy
// file, and all of a worker's take one huge page. They are made whole at
// once: growing them step by step cost more page faults than the rest of
// their work.
constexpr std::size_t kSmallest = 1 << 12;
constexpr std::size_t kLargest = 1 << 20;

}  // namespace

StretchOutput::StretchOutput(OrderedSink& sink, std::size_t capacity)
    : sink_(sink),
      memory_(kBuffers * capacity),
      capacity_(capacity) {
  for (std::size_t i = 0; i < kBuffers; ++i) buffers_[i].data = memory_.data() + i * capacity;
}

std::size_t StretchOutput::buffer_size_for(std::size_t genealogy_size) {
  // A merged file is seldom more than twice its genealogy file; when it is,
  // a stretch goes out in several buffers.
  return genealogy_size == 0 ? kLargest : std::clamp(2 * genealogy_size, kSmallest, kLargest);
}

StretchOutput::~StretchOutput() { sink_.wait_until_written(buffers_); }

void StretchOutput::start(std::size_t stretch) {
  stretch_ = stretch;
  part_ = 0;
  take_free_buffer();
}

void StretchOutput::finish() { hand_over(true); }

void StretchOutput::write_past_end(std::string_view bytes) {
  // A piece longer than a buffer, the run of a long line, say, goes out in
  // as many buffers as it fills.
  for (;;) {
    const std::size_t fits = std::min(bytes.size(), capacity_ - used_);
    std::memcpy(data_ + used_, bytes.data(), fits);
    used_ += fits;
    bytes.remove_prefix(fits);
    if (bytes.empty()) return;
    hand_over(false);
    take_free_buffer();
  }
}

void StretchOutput::hand_over(bool last) {
  buffer_->used = used_;
  buffer_->stretch = stretch_;
  buffer_->part = part_++;
  buffer_->last = last;
  sink_.hand_over(*buffer_);
}

void StretchOutput::take_free_buffer() {
  buffer_ = &sink_.free_one(buffers_);
  data_ = buffer_->data;
  used_ = 0;
}

}  // namespace platsmarkeraren
