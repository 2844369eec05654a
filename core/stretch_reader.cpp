#include "core/stretch_reader.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "core/gedcom_line.hpp"
#include "core/line.hpp"
#include "core/padding.hpp"

namespace platsmarkeraren {

namespace {

// Large reads keep the number of system calls low; below a quarter of a
// megabyte the calls themselves begin to show in a profile.
constexpr std::size_t kReadSize = 1 << 18;
constexpr std::ptrdiff_t kLongestRun = 1 << 16;
// Room for `size` bytes in `memory`, keeping its first `kept`.
void make_room(PaddedMemory& memory, std::size_t size, std::size_t kept) {
  if (memory.size() >= size) return;
  // Room for twice as much: the start of a line carried from stretch to
  // stretch then fits from the second stretch on, and a long line held
  // whole is copied, as it grows, into no more than twice its size in all.
  // New memory is paid for page by page as it is first filled, and only the
  // pages filled count.
  memory.grow(std::max(2 * memory.size(), 2 * size), kept);
}

}  // namespace

// A line up to kLongestRun is held whole whatever the limit: it may be one
// of a place's own lines, which are handed over together.
StretchReader::StretchReader(Source& file, ReadRules rules) : file_(file), rules_(std::move(rules)) {
  rules_.hold_limit = std::max<std::size_t>(rules_.hold_limit, kLongestRun);
  line_break_known_ = !rules_.learns_line_break;
}

bool StretchReader::next(ReadBuffer& buffer, Stretch& stretch) {
  const std::optional<Lines> lines = read_stretch(buffer, stretch);
  if (!lines) return false;
  // The search runs outside the lock, beside the other workers' searches.
  buffer.place_lines_.clear();
  if (rules_.places) {
    find_place_lines(buffer.memory_.data() + lines->first, buffer.memory_.data() + lines->last, stretch.line_break,
                     buffer.place_lines_);
  }
  stretch.place_lines = buffer.place_lines_;
  return true;
}

void StretchReader::stop() {
  const std::lock_guard<std::mutex> lock(reading_);
  ended_ = true;
  carried_size_ = 0;
  held_lines_ = 0;
}

// Reads under the lock, and finds which of the bytes read are whole lines
// to search for place lines and which wait for the next stretch.
std::optional<StretchReader::Lines> StretchReader::read_stretch(ReadBuffer& buffer, Stretch& stretch) {
  const std::lock_guard<std::mutex> lock(reading_);
  if (ended_) return std::nullopt;
  stretch.number = stretches_++;
  // A small file needs no more than its size and one byte to see the end;
  // a pipe tells no size.
  const std::size_t hint = file_.size_hint();
  const std::size_t read_size = hint == 0 ? kReadSize : std::min(kReadSize, hint + 1);
  // The carried bytes begin the stretch. Most often they are a few lines,
  // copied into the worker's own memory, which stays warm in its cache; the
  // start of a long line held whole begins it where it stands instead (the
  // reader's memory becomes the buffer's, and the buffer's the reader's),
  // or it would be copied again at every stretch.
  const std::size_t held = std::exchange(carried_size_, 0);
  const bool long_line = held > kReadSize;
  if (long_line) std::swap(buffer.memory_, carried_);
  // One byte more than a read, for a look past the file's first line end.
  make_room(buffer.memory_, held + read_size + 1, long_line ? held : 0);
  char* const data = buffer.memory_.data();
  if (!long_line) std::copy_n(carried_.data(), held, data);
  ended_ = true;  // until the reads succeed: after a failure nothing more is read
  const std::size_t got = file_.read(data + held, read_size);
  read_ += got;
  if (rules_.progress) rules_.progress(read_);
  std::size_t last = held + got;
  if (got != 0) learn_line_break(data, held, last);
  ended_ = got == 0;
  stretch.line_break = line_break_;
  if (got == 0) {
    // What is left is the last line of a file that does not end in a line end.
    if (held == 0) return std::nullopt;
    stretch.bytes = buffer.memory_.bytes(data, held);
    return Lines{0, held};
  }
  std::size_t first = 0;
  if (passing_) {  // the rest of a long line, up to its line break, goes on as it is
    const char* const line_break = line_break_.find(data, data + last);
    first = static_cast<std::size_t>(line_break - data) + (line_break == data + last ? 0 : 1);
    passing_ = line_break == data + last;
  }
  // The held bytes are whole lines and then the start of one without its
  // line break, so the last break, if any, is in the fresh ones.
  const char* const cut = line_break_.after_last(data + std::max(first, held), data + last);
  const std::size_t whole = cut == nullptr ? std::max(first, held_lines_) : static_cast<std::size_t>(cut - data);
  // A line too long to hold goes on as far as it is read.
  const bool too_long = last - whole > rules_.hold_limit;
  if (too_long && !rules_.too_long.empty()) {
    ended_ = true;
    throw std::runtime_error(rules_.too_long);
  }
  passing_ = passing_ || too_long;
  const std::size_t kept = too_long     ? last
                           : rules_.places ? static_cast<std::size_t>(open_run(data + first, data + whole) - data)
                                           : whole;
  carried_size_ = last - kept;
  held_lines_ = kept < whole ? whole - kept : 0;
  if (kept == 0) {  // all of it goes on, without a copy
    std::swap(buffer.memory_, carried_);
    stretch.bytes = {};  // all of it went on with the reader
  } else {
    make_room(carried_, carried_size_, 0);
    std::copy_n(data + kept, carried_size_, carried_.data());
    stretch.bytes = buffer.memory_.bytes(data, kept);
  }
  return Lines{first, std::min(kept, whole)};
}

// A place line and the lines of level 3 and deeper after it belong together
// (its map among them), so a stretch ends before the last line of another
// level, and before any place line among the deeper lines after that (a
// place line may have a level of 3 or more too): those may go on in the
// next stretch. Such runs are short; one longer than kLongestRun is cut where
// it stands.
const char* StretchReader::open_run(const char* first, const char* last) const {
  const char* const reach = last - first > kLongestRun ? last - kLongestRun : first;
  const char* cut = last;
  for (const char* end = last; end != reach;) {
    const char* start = line_break_.after_last(reach, end - 1);
    if (start == nullptr) {
      if (reach != first) return last;
      start = first;
    }
    const std::string_view line = bytes_between(start, end);
    if (level_of(line_break_.split(line).text) < 3) return start;
    if (is_place_line(line)) cut = start;
    end = start;
  }
  return cut;
}

// Until the file shows its first line end, no line is cut: the bytes held
// and passed on till then have neither CR nor LF, so the LF assumed meanwhile
// cuts nothing either.
void StretchReader::learn_line_break(char* data, std::size_t from, std::size_t& last) {
  if (line_break_known_) return;
  const std::size_t found = std::string_view(data + from, last - from).find_first_of("\r\n");
  if (found == std::string_view::npos) return;
  const std::size_t at = from + found;
  // The byte after the first line end tells CR LF from CR, and LF CR from
  // LF; it is read now when the read ended just before it.
  if (at + 1 == last) last += file_.read(data + last, 1);
  line_break_ = LineBreak::at(data + at, data + last);
  line_break_known_ = true;
}


}  // namespace platsmarkeraren
