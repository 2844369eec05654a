#include "merge/block_output.hpp"

#include <algorithm>
#include <exception>

namespace platsmarkeraren {

namespace {

// Small outputs (a short tree, a list of a few places) stay small in memory;
// a large one fills buffers that hold the output of a whole block of the
// genealogy file.
constexpr std::size_t kFirstCapacity = 1 << 12;
constexpr std::size_t kCapacity = 1 << 20;

}  // namespace

BlockOutput::BlockOutput(OrderedSink& sink)
    : sink_(sink), failures_before_(std::uncaught_exceptions()) {}

BlockOutput::~BlockOutput() {
  // Unwinding from a failure: what waits behind the failed block never goes out.
  if (std::uncaught_exceptions() > failures_before_) sink_.stop();
  sink_.wait_until_written(buffers_);
}

void BlockOutput::start(std::size_t block) {
  block_ = block;
  part_ = 0;
  take_free_buffer();
}

void BlockOutput::finish() { hand_over(true); }

void BlockOutput::write_past_end(std::string_view bytes) {
  if (capacity_ < kCapacity) grow(used_ + bytes.size());
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
    if (capacity_ < kCapacity) grow(bytes.size());
  }
}

void BlockOutput::grow(std::size_t needed) {
  capacity_ = std::min(kCapacity, std::max({kFirstCapacity, 2 * capacity_, needed}));
  auto grown = std::make_unique_for_overwrite<char[]>(capacity_);
  std::copy(data_, data_ + used_, grown.get());
  buffer_->data = std::move(grown);
  buffer_->capacity = capacity_;
  data_ = buffer_->data.get();
}

void BlockOutput::hand_over(bool last) {
  buffer_->used = used_;
  buffer_->block = block_;
  buffer_->part = part_++;
  buffer_->last = last;
  OrderedSink::Buffer& handed = *buffer_;
  buffer_ = nullptr;
  data_ = nullptr;
  capacity_ = 0;
  used_ = 0;
  sink_.hand_over(handed);
}

void BlockOutput::take_free_buffer() {
  buffer_ = &sink_.free_one(buffers_);
  data_ = buffer_->data.get();
  capacity_ = buffer_->capacity;
  used_ = 0;
  if (capacity_ == 0) grow(kFirstCapacity);
}

}  // namespace platsmarkeraren
