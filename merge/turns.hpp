// Workers that must do something in a fixed order (write their blocks, say)
// wait here for their turn. Once any of them fails, the others are stopped
// instead of waiting for a turn that will never come.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace platsmarkeraren {

class Turns {
 public:
  // Thrown to a worker that waits after the turns were stopped.
  struct Stopped {};

  // Returns once turn `turn` has come; the turns start at 0.
  void wait_for(std::size_t turn);
  // Ends the current turn and begins the next.
  void pass();
  void stop();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t turn_ = 0;
  bool stopped_ = false;
};

}  // namespace platsmarkeraren
