#include "core/ordered_sink.hpp"

#include <algorithm>

namespace platsmarkeraren {

namespace {

bool any_handed_over(std::span<OrderedSink::Buffer> buffers) {
  return std::any_of(buffers.begin(), buffers.end(),
                     [](const OrderedSink::Buffer& buffer) { return buffer.handed_over; });
}

}  // namespace

void OrderedSink::hand_over(Buffer& buffer) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (stopped_) throw WorkStopped{};
  buffer.handed_over = true;
  waiting_.push_back(&buffer);
  if (!writing_) write_in_order(lock);
}

OrderedSink::Buffer& OrderedSink::free_one(std::span<Buffer> buffers) {
  std::unique_lock<std::mutex> lock(mutex_);
  Buffer* free = nullptr;
  written_.wait(lock, [&] {
    const auto found = std::find_if(buffers.begin(), buffers.end(),
                                    [](const Buffer& buffer) { return !buffer.handed_over; });
    free = found == buffers.end() ? nullptr : &*found;
    return free != nullptr || stopped_;
  });
  if (stopped_) throw WorkStopped{};
  return *free;
}

void OrderedSink::wait_until_written(std::span<Buffer> buffers) noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  written_.wait(lock, [&] { return !any_handed_over(buffers) || stopped_; });
  if (!stopped_) return;
  // After a failure nothing more is written; only a write under way must
  // still finish with the buffer.
  for (Buffer& buffer : buffers) {
    const auto found = std::find(waiting_.begin(), waiting_.end(), &buffer);
    if (found == waiting_.end()) continue;
    waiting_.erase(found);
    buffer.handed_over = false;
  }
  written_.wait(lock, [&] { return !any_handed_over(buffers); });
}

void OrderedSink::stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  written_.notify_all();
}

OrderedSink::Buffer* OrderedSink::take_next() {
  const auto next = std::find_if(waiting_.begin(), waiting_.end(), [&](const Buffer* buffer) {
    return buffer->stretch == next_stretch_ && buffer->part == next_part_;
  });
  if (next == waiting_.end()) return nullptr;
  Buffer* const buffer = *next;
  waiting_.erase(next);
  return buffer;
}

void OrderedSink::write_in_order(std::unique_lock<std::mutex>& lock) {
  writing_ = true;
  while (Buffer* const buffer = stopped_ ? nullptr : take_next()) {
    lock.unlock();
    try {
      if (buffer->used > 0) sink_.write({buffer->data, buffer->used});
    } catch (...) {
      lock.lock();
      stopped_ = true;
      writing_ = false;
      give_back(*buffer);
      throw;
    }
    lock.lock();
    next_part_ = buffer->last ? 0 : next_part_ + 1;
    next_stretch_ += buffer->last ? 1 : 0;
    give_back(*buffer);
  }
  writing_ = false;
}

void OrderedSink::give_back(Buffer& buffer) {
  buffer.used = 0;
  buffer.handed_over = false;
  written_.notify_all();
}

}  // namespace platsmarkeraren
