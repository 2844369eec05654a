#include "merge/turns.hpp"

namespace platsmarkeraren {

void Turns::wait_for(std::size_t turn) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return turn_ == turn || stopped_; });
  if (stopped_) throw Stopped{};
}

void Turns::pass() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++turn_;
  }
  changed_.notify_all();
}

void Turns::stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

}  // namespace platsmarkeraren
