// Gathers the many small pieces of the output (text between place lines,
// place lines, coordinate lines, line ends) into few large writes.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class OutputBuffer {
 public:
  explicit OutputBuffer(Sink& sink);

  void write(std::string_view bytes) {
    if (bytes.size() <= kCapacity - used_) {
      std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      write_past_end(bytes);
    }
  }

  void flush();

 private:
  static constexpr std::size_t kCapacity = 1 << 18;

  void write_past_end(std::string_view bytes);

  Sink& sink_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace platsmarkeraren
