// Puts the output that the workers fill side by side back in the order of
// the genealogy file. A piece goes out once all pieces before it have: the
// worker that hands over the next piece in order writes it, and any pieces
// that were waiting behind it, so no worker waits for another to finish a
// stretch as long as it has a free buffer to fill.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "core/side_by_side.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

class OrderedSink {
 public:
  // One buffer of output. Its owner fills it while it is not handed over;
  // then whichever worker writes it in order empties it and gives it back.
  struct Buffer {
    char* data = nullptr;
    std::size_t used = 0;
    std::size_t stretch = 0;  // pieces go out by stretch, and within a stretch by part
    std::size_t part = 0;
    bool last = false;  // the last part of its stretch
    bool handed_over = false;
  };

  explicit OrderedSink(Sink& sink) : sink_(sink) {}

  void hand_over(Buffer& buffer);
  // One of `buffers` that is not handed over, once there is one.
  Buffer& free_one(std::span<Buffer> buffers);
  // Returns once none of `buffers` is handed over: written, or withdrawn
  // after a failure. Memory of a buffer may then be freed.
  void wait_until_written(std::span<Buffer> buffers) noexcept;
  // Ends the writing after a failure; waiting workers throw WorkStopped.
  void stop();

 private:
  Buffer* take_next();
  void write_in_order(std::unique_lock<std::mutex>& lock);
  void give_back(Buffer& buffer);

  Sink& sink_;
  std::mutex mutex_;
  std::condition_variable written_;
  std::vector<Buffer*> waiting_;  // handed over, not yet being written
  std::size_t next_stretch_ = 0;
  std::size_t next_part_ = 0;
  bool writing_ = false;  // some worker is writing pieces in order
  bool stopped_ = false;
};

}  // namespace platsmarkeraren
