// Hands a file out in stretches of whole lines to workers that take turns
// at reading, each into its own buffer. The start of a line that a read
// cut off is the reader's own: it is copied, under the lock, to the front
// of the next stretch, so no worker ever looks into another's buffer.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.hpp"

namespace platsmarkeraren {

class StretchReader {
 public:
  // No line of a gazetteer is longer (a GeoNames row holds a few KiB at
  // most); held whole, a file without line feeds would take memory without
  // end.
  static constexpr std::size_t kLongestLine = std::size_t{1} << 20;

  // `progress` is told, under the lock, how many bytes are read so far.
  // `description` names the source in the message for a line too long.
  StretchReader(Source& source, std::string_view description, std::function<void(std::size_t)> progress);

  struct Stretch {
    std::size_t number = 0;  // the stretches of a file are numbered 0, 1, 2, ...
    std::size_t size = 0;    // bytes of whole lines at the front of the buffer
  };

  // Reads the next stretch into `buffer`, which grows to hold a line longer
  // than it, up to kLongestLine. The last line of a file may lack its line
  // feed. False at the end of the file, or once stopped.
  bool next(std::vector<char>& buffer, Stretch& stretch);
  // Ends the reading: no stretch is handed out after it.
  void stop();

 private:
  Source& source_;
  std::string_view description_;
  std::function<void(std::size_t)> progress_;
  std::mutex reading_;
  std::string carried_;  // the start of a line whose line feed is not read yet
  std::size_t stretches_ = 0;
  std::size_t read_ = 0;
  bool ended_ = false;
};

}  // namespace platsmarkeraren
