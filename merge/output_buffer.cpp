#include "merge/output_buffer.hpp"

#include <algorithm>

namespace platsmarkeraren {

namespace {

// Small outputs (a short tree, a list of a few places) stay small in memory.
constexpr std::size_t kFirstCapacity = 1 << 12;

}  // namespace

OutputBuffer::OutputBuffer(Sink& sink) : sink_(sink) {
  buffers_[0] = std::make_unique_for_overwrite<char[]>(kFirstCapacity);
  free_ = buffers_[0].get();
  capacity_ = kFirstCapacity;
}

OutputBuffer::~OutputBuffer() {
  if (!writer_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void OutputBuffer::flush() {
  // Output that fits one buffer needs no writer thread.
  if (!writer_.joinable()) {
    if (used_ > 0) sink_.write({free_, used_});
    used_ = 0;
    return;
  }
  if (used_ > 0) hand_over();
  std::unique_lock<std::mutex> lock(mutex_);
  wait_until_queued_below(1, lock);
}

void OutputBuffer::write_past_end(std::string_view bytes) {
  if (capacity_ < kCapacity) {
    grow_first(used_ + bytes.size());
    if (bytes.size() <= capacity_ - used_) {
      write(bytes);
      return;
    }
  }
  if (used_ > 0) hand_over();
  if (bytes.size() < kCapacity) {
    write(bytes);
    return;
  }
  // A long run of one line goes out as it stands, after what came before it.
  std::unique_lock<std::mutex> lock(mutex_);
  wait_until_queued_below(1, lock);
  sink_.write(bytes);
}

void OutputBuffer::grow_first(std::size_t needed) {
  capacity_ = std::min(kCapacity, std::max(2 * capacity_, needed));
  auto grown = std::make_unique_for_overwrite<char[]>(capacity_);
  std::copy(free_, free_ + used_, grown.get());
  buffers_[0] = std::move(grown);
  free_ = buffers_[0].get();
}

void OutputBuffer::hand_over() {
  if (!writer_.joinable()) writer_ = std::thread([this] { write_handed_over(); });
  std::unique_lock<std::mutex> lock(mutex_);
  wait_until_queued_below(kBuffers - 1, lock);  // one must stay free to fill
  sizes_[filling_] = used_;
  ++queued_;
  lock.unlock();
  changed_.notify_all();
  filling_ = (filling_ + 1) % kBuffers;
  if (!buffers_[filling_]) buffers_[filling_] = std::make_unique_for_overwrite<char[]>(kCapacity);
  free_ = buffers_[filling_].get();
  capacity_ = kCapacity;
  used_ = 0;
}

void OutputBuffer::wait_until_queued_below(std::size_t count, std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [&] { return queued_ < count || failure_; });
  if (failure_) std::rethrow_exception(failure_);
}

void OutputBuffer::write_handed_over() {
  std::size_t next = 0;  // the oldest buffer handed over
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return queued_ > 0 || stopping_; });
    if (queued_ == 0) return;
    lock.unlock();
    try {
      sink_.write({buffers_[next].get(), sizes_[next]});
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      lock.unlock();
    }
    lock.lock();
    --queued_;
    next = (next + 1) % kBuffers;
    changed_.notify_all();
  }
}

}  // namespace platsmarkeraren
