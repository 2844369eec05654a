// Gathers the many small pieces of the output (runs of the genealogy file,
// coordinate blocks, line ends) into large writes, and hands those to a
// writer thread: the system's work of writing then overlaps the merge's work
// of filling the next buffers. A few buffers in a ring absorb the jitter of
// waking the writer.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class OutputBuffer {
 public:
  explicit OutputBuffer(Sink& sink);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;
  ~OutputBuffer();

  void write(std::string_view bytes) {
    if (bytes.size() <= capacity_ - used_) {
      std::memcpy(free_ + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      write_past_end(bytes);
    }
  }

  // Returns once every byte is written; throws what the sink threw.
  void flush();

 private:
  static constexpr std::size_t kCapacity = 1 << 19;
  static constexpr std::size_t kBuffers = 4;

  void write_past_end(std::string_view bytes);
  void grow_first(std::size_t needed);
  void hand_over();
  void wait_until_queued_below(std::size_t count, std::unique_lock<std::mutex>& lock);
  void write_handed_over();

  Sink& sink_;
  std::unique_ptr<char[]> buffers_[kBuffers];
  std::size_t sizes_[kBuffers] = {};
  std::size_t filling_ = 0;  // the buffer the merge fills
  char* free_;               // where it goes on filling
  std::size_t capacity_;     // of that buffer: the first starts small
  std::size_t used_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t queued_ = 0;  // handed over and not yet written: those before filling_
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread writer_;
};

}  // namespace platsmarkeraren
