#include "merge/block_output.hpp"

#include <algorithm>

namespace platsmarkeraren {

namespace {

// Small outputs (a short tree, a list of a few places) stay small in memory;
// a large one fills a buffer that holds the output of a whole block of the
// genealogy file, so a worker seldom waits for its turn in mid-block.
constexpr std::size_t kFirstCapacity = 1 << 12;
constexpr std::size_t kCapacity = 1 << 20;

}  // namespace

BlockOutput::BlockOutput(Sink& sink, Turns& writing)
    : sink_(sink),
      writing_(writing),
      buffer_(std::make_unique_for_overwrite<char[]>(kFirstCapacity)),
      capacity_(kFirstCapacity) {}

void BlockOutput::start(std::size_t block) {
  block_ = block;
  has_turn_ = false;
}

void BlockOutput::finish() {
  take_turn();
  write_out();
  writing_.pass();
}

void BlockOutput::write_past_end(std::string_view bytes) {
  if (capacity_ < kCapacity) {
    grow(used_ + bytes.size());
    if (bytes.size() <= capacity_ - used_) {
      write(bytes);
      return;
    }
  }
  take_turn();
  write_out();
  if (bytes.size() < capacity_) {
    write(bytes);
  } else {
    sink_.write(bytes);  // a long run of one line goes out as it stands
  }
}

void BlockOutput::grow(std::size_t needed) {
  capacity_ = std::min(kCapacity, std::max(2 * capacity_, needed));
  auto grown = std::make_unique_for_overwrite<char[]>(capacity_);
  std::copy(buffer_.get(), buffer_.get() + used_, grown.get());
  buffer_ = std::move(grown);
}

void BlockOutput::take_turn() {
  if (has_turn_) return;
  writing_.wait_for(block_);
  has_turn_ = true;
}

void BlockOutput::write_out() {
  if (used_ > 0) sink_.write({buffer_.get(), used_});
  used_ = 0;
}

}  // namespace platsmarkeraren
