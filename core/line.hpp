// What a line is to the merge: the bytes up to and including a line end, or
// the last bytes of a file that lacks one. Two lines are the same place when
// their texts are equal and both have or both lack a line end; the four line
// ends GEDCOM allows (LF, CR LF, CR, LF CR) all count as the same, so files
// of any convention find each other.
#pragma once

#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platsmarkeraren {

// A place line holds these seven bytes anywhere: a level-2 PLAC tag and the
// space before the place name.
inline constexpr std::string_view kPlaceMarker = "2 PLAC ";

inline bool is_place_line(std::string_view line) { return line.find(kPlaceMarker) != std::string_view::npos; }

// `text` with the place marker broken wherever it stands ("2_PLAC "), for
// notes that must never be taken for a place line.
std::string without_place_marker(std::string text);

// The place a place line names: the text after its marker.
inline std::string_view place_value(std::string_view place_line) {
  const std::size_t marker = place_line.find(kPlaceMarker);
  return marker == std::string_view::npos ? place_line : place_line.substr(marker + kPlaceMarker.size());
}

// UTF-8's byte-order mark, which some programs write before a file's first
// line: it belongs to no line, so neither file's first line is read with it.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A twin's coordinate block: the lines after it that the merge inserts.
inline constexpr int kBlockLines = 5;

struct Line {
  std::string_view text;  // the line without its line end
  std::string_view end;   // one or two of CR and LF, or empty for the last line of a file

  bool terminated() const { return !end.empty(); }
};

// The bytes of [first, last).
inline std::string_view bytes_between(const char* first, const char* last) {
  return {first, static_cast<std::size_t>(last - first)};
}

// How one file ends its lines, found once from its first line end: from
// then on a line ends at one byte, the file's line break. That is LF in LF
// and CR LF files, and CR in CR and LF CR files; the other byte of the pair
// may stand just before it, as part of the line end. Searching for a single
// byte keeps LF and CR LF files, nearly all there are, as fast as ever. A
// file that mixes conventions is cut at its first line end's break only:
// the other kind stays part of a line's text.
class LineBreak {
 public:
  // LF: what is assumed until a file shows its first line end.
  constexpr LineBreak() = default;

  // The convention of a file whose first CR or LF stands at `first`, where
  // [first, last) is what is known of the file from there on: the byte
  // after it tells CR LF from CR and LF CR from LF.
  static LineBreak at(const char* first, const char* last) {
    const char after = last - first > 1 ? first[1] : '\0';
    if (*first == '\n') return LineBreak(after == '\r' ? '\r' : '\n');
    return LineBreak(after == '\n' ? '\n' : '\r');
  }

  // The convention of a whole text; LF when it has no line end.
  static LineBreak of(std::string_view text) {
    const std::size_t first = text.find_first_of("\r\n");
    if (first == std::string_view::npos) return {};
    return at(text.data() + first, text.data() + text.size());
  }

  char byte() const { return byte_; }

  // The first line break in [first, last), or `last` when there is none.
  // Lines are short, so a few steps of sixteen bytes find most breaks
  // sooner than a call of memchr would.
  const char* find(const char* first, const char* last) const {
#if defined(__SSE2__)
    const __m128i breaks = _mm_set1_epi8(byte_);
    for (; last - first >= 16; first += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
      const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, breaks));
      if (found != 0) return first + std::countr_zero(static_cast<unsigned>(found));
    }
#endif
    const void* const found = std::memchr(first, byte_, static_cast<std::size_t>(last - first));
    return found != nullptr ? static_cast<const char*>(found) : last;
  }

  // Takes the bytes of [next, last) up to and including the next line
  // break, or all of them when there is none, and moves `next` past them.
  std::string_view take_line(const char*& next, const char* last) const {
    const char* const first = next;
    const char* const found = find(first, last);
    next = found == last ? last : found + 1;
    return bytes_between(first, next);
  }

  // The byte after the last line break in [first, last), or nullptr when
  // there is none.
  const char* after_last(const char* first, const char* last) const {
    for (const char* p = last; p != first; --p) {
      if (p[-1] == byte_) return p;
    }
    return nullptr;
  }

  // Splits one line of a file of this convention into its text and its
  // line end.
  Line split(std::string_view line) const {
    std::size_t end_size = 0;
    if (!line.empty() && line.back() == byte_) end_size = line.size() >= 2 && line[line.size() - 2] == other() ? 2 : 1;
    const std::size_t text = line.size() - end_size;
    return {line.substr(0, text), line.substr(text)};
  }

  // The line end of this convention that has `size` bytes: 1 or 2, or 0
  // for none.
  std::string_view end(std::size_t size) const {
    // Each of the four ends stands in these three bytes.
    static constexpr std::string_view kEnds = "\r\n\r";
    if (size == 0) return {};
    return kEnds.substr(byte_ == '\n' ? 2 - size : 3 - size, size);
  }

  friend bool operator==(LineBreak, LineBreak) = default;

 private:
  explicit constexpr LineBreak(char byte) : byte_(byte) {}
  char other() const { return byte_ == '\n' ? '\r' : '\n'; }

  char byte_ = '\n';
};

// Takes the next whole line in [next, last) that holds the place marker,
// line end included, and moves `next` past it. Empty when there is none.
std::string_view take_place_line(const char*& next, const char* last, LineBreak line_break);

// Appends every whole line in [first, last) that holds the place marker, in
// order: the lines that take_place_line would take one after another.
void find_place_lines(const char* first, const char* last, LineBreak line_break,
                      std::vector<std::string_view>& lines);

}  // namespace platsmarkeraren
