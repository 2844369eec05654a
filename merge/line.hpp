// What a line is to the merge: the bytes up to and including a newline, or
// the last bytes of a file that lacks one. Two lines are the same place when
// their texts are equal and both have or both lack a line end; CR LF and LF
// count as the same line end, so files of either convention find each other.
#pragma once

#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first newline in [first, last), or `last` when there is none. Lines
// are short, so a few steps of sixteen bytes find most newlines sooner than
// a call of memchr would.
inline const char* find_newline(const char* first, const char* last) {
#if defined(__SSE2__)
  const __m128i newlines = _mm_set1_epi8('\n');
  for (; last - first >= 16; first += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newlines));
    if (found != 0) return first + std::countr_zero(static_cast<unsigned>(found));
  }
#endif
  const void* const newline = std::memchr(first, '\n', static_cast<std::size_t>(last - first));
  return newline != nullptr ? static_cast<const char*>(newline) : last;
}

// Takes the bytes of [next, last) up to and including the next newline, or
// all of them when there is none, and moves `next` past them.
inline std::string_view take_line(const char*& next, const char* last) {
  const char* const first = next;
  const char* const newline = find_newline(first, last);
  next = newline == last ? last : newline + 1;
  return bytes_between(first, next);
}

// Takes the next whole line in [next, last) that holds the place marker,
// line end included, and moves `next` past it. Empty when there is none.
std::string_view take_place_line(const char*& next, const char* last);

// Appends every whole line in [first, last) that holds the place marker, in
// order: the lines that take_place_line would take one after another.
void find_place_lines(const char* first, const char* last, std::vector<std::string_view>& lines);

// The byte after the last newline in [first, last), or nullptr when there is
// no newline.
const char* after_last_newline(const char* first, const char* last);

}  // namespace platsmarkeraren
