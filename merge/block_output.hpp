// One worker's output: gathers the many small pieces of a block (runs of the
// genealogy file, coordinate blocks, line ends) into large writes, which go
// to the sink in the order of the blocks, whichever worker finishes first.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "merge/stream.hpp"
#include "merge/turns.hpp"

namespace platsmarkeraren {

// Every piece written comes from one of the merge's own buffers, which keep
// this many readable bytes past their data: a short piece is then copied in
// one fixed stride, which costs less than a copy of its exact length.
inline constexpr std::size_t kCopyStride = 128;

class BlockOutput {
 public:
  // `writing` orders the blocks of all workers by their numbers.
  BlockOutput(Sink& sink, Turns& writing);

  void start(std::size_t block);

  void write(std::string_view bytes) {
    if (bytes.size() <= kCopyStride && kCopyStride <= capacity_ - used_) {
      std::memcpy(buffer_.get() + used_, bytes.data(), kCopyStride);
      used_ += bytes.size();
    } else if (bytes.size() <= capacity_ - used_) {
      std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      write_past_end(bytes);
    }
  }

  // Writes what is left of the block once its turn has come, and passes the
  // turn on.
  void finish();

 private:
  void write_past_end(std::string_view bytes);
  void grow(std::size_t needed);
  void take_turn();
  void write_out();

  Sink& sink_;
  Turns& writing_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  std::size_t block_ = 0;
  bool has_turn_ = false;  // what is gathered may go out now
};

}  // namespace platsmarkeraren
