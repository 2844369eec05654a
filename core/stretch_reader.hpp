// Hands a file to the workers a stretch of whole lines at a time: the
// genealogy file with the place lines among it found, and the gazetteer.
// The workers take turns at reading, each into its own buffer, and go
// through their stretches side by side.
//
// Only a line that could still have a twin is held whole from one stretch to
// the next; a longer one goes on in pieces as it streams, so neither a huge
// file nor a huge line needs memory in proportion. A stretch of a tree also
// leaves its last few lines to the next one when they may be a place line
// and its own lines (those of level 3 and deeper after it): a worker then
// sees all of a place's lines together, and can tell whether it has a map
// already.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/line.hpp"
#include "core/padding.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

struct Stretch {
  std::size_t number = 0;  // the stretches of a file are numbered 0, 1, 2, ...
  PaddedBytes bytes;       // the next bytes of the file
  // The whole lines among `bytes` that hold the place marker, line ends
  // included, in order.
  std::span<const std::string_view> place_lines;
  LineBreak line_break;  // how the file ends its lines
};

// Calls `each(place_line, breaks)` for each place line of `stretch` in
// order, `breaks` the line breaks of the stretch before it; returns all of
// the stretch's line breaks. Added up over the stretches before, they give
// a place line's number in the file, as the check and the recovery name it.
template <typename Each>
std::size_t for_each_numbered_place_line(const Stretch& stretch, Each each) {
  const char line_break = stretch.line_break.byte();
  const char* counted = stretch.bytes.data();
  std::size_t breaks = 0;
  for (const std::string_view place_line : stretch.place_lines) {
    breaks += static_cast<std::size_t>(std::count(counted, place_line.data(), line_break));
    counted = place_line.data();
    each(place_line, breaks);
  }
  return breaks + static_cast<std::size_t>(std::count(counted, stretch.bytes.data() + stretch.bytes.size(), line_break));
}

// How a file is read.
struct ReadRules {
  // A line that grows past this many bytes (and 64 KiB) before its line
  // break is passed on in pieces and is never a place line...
  std::size_t hold_limit = SIZE_MAX;
  // ...or, when this is not empty, ends the reading with this message.
  std::string too_long = {};
  // The place lines are looked for, and kept with their own lines.
  bool places = true;
  // The file's first line end tells how its lines end (see LineBreak);
  // else they end at LF, as a gazetteer's rows do, whatever a name holds.
  bool learns_line_break = true;
  // Told, as each stretch is read, how many bytes are read so far.
  std::function<void(std::size_t)> progress = {};
};

class StretchReader {
 public:
  StretchReader(Source& file, ReadRules rules);

  // What one worker reads into; it keeps its stretch until the next read.
  class ReadBuffer {
   private:
    friend class StretchReader;

    // What the file is read into; it passes between the reader and its
    // workers.
    PaddedMemory memory_;
    std::vector<std::string_view> place_lines_;  // reused from stretch to stretch
  };

  // Reads the next stretch into `buffer`, which may be one stretch less than
  // full: the start of a line whose end is not read yet waits for the next
  // stretch. False at the end of the file.
  bool next(ReadBuffer& buffer, Stretch& stretch);
  // Ends the reading after a failure: no stretch is read after it.
  void stop();

 private:
  struct Lines {
    std::size_t first;
    std::size_t last;
  };

  std::optional<Lines> read_stretch(ReadBuffer& buffer, Stretch& stretch);
  void learn_line_break(char* data, std::size_t from, std::size_t& last);
  const char* open_run(const char* first, const char* last) const;

  Source& file_;
  ReadRules rules_;
  std::mutex reading_;
  // What the next stretch begins with: the last few whole lines of the
  // stretch read last, then the start of a line whose line break is not
  // read yet. They stand at the start of memory the reader owns, so that no
  // worker's buffer need outlive its stretch.
  PaddedMemory carried_;
  std::size_t carried_size_ = 0;
  std::size_t held_lines_ = 0;  // how many of those bytes are whole lines
  bool passing_ = false;  // that line is too long to hold: its start went on
  bool ended_ = false;
  std::size_t stretches_ = 0;
  std::size_t read_ = 0;
  LineBreak line_break_;
  bool line_break_known_ = false;
};

}  // namespace platsmarkeraren
