// What a line is to the merge: the bytes up to and including a newline, or
// the last bytes of a file that lacks one. Two lines are the same place when
// their texts are equal and both have or both lack a line end; CR LF and LF
// count as the same line end, so files of either convention find each other.
#pragma once

#include <string_view>

namespace platsmarkeraren {

// A place line holds these seven bytes anywhere: a level-2 PLAC tag and the
// space before the place name.
inline constexpr std::string_view kPlaceMarker = "2 PLAC ";

struct Line {
  std::string_view text;  // the line without its line end
  std::string_view end;   // "\n", "\r\n" or empty for the last line of a file

  // Splits one line, as found in a file, into its text and its line end.
  static Line split(std::string_view line) {
    std::size_t end = 0;
    if (!line.empty() && line.back() == '\n') {
      end = line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1;
    }
    const std::size_t text = line.size() - end;
    return {line.substr(0, text), line.substr(text)};
  }

  bool terminated() const { return !end.empty(); }
};

// The bytes of [first, last).
inline std::string_view bytes_between(const char* first, const char* last) {
  return {first, static_cast<std::size_t>(last - first)};
}

// Takes the bytes of [next, last) up to and including the next newline, or
// all of them when there is none, and moves `next` past them.
inline std::string_view take_line(const char*& next, const char* last) {
  const std::string_view rest = bytes_between(next, last);
  const std::size_t newline = rest.find('\n');
  const std::string_view line =
      newline == std::string_view::npos ? rest : rest.substr(0, newline + 1);
  next += line.size();
  return line;
}

// Takes the next whole line in [next, last) that holds the place marker,
// line end included, and moves `next` past it. Empty when there is none.
std::string_view take_place_line(const char*& next, const char* last);

// The byte after the last newline in [first, last), or nullptr when there is
// no newline.
const char* after_last_newline(const char* first, const char* last);

}  // namespace platsmarkeraren
