// The little of GEDCOM's line grammar that the merge and the check need: a
// level number, an optional cross-reference, a tag and an optional value.
// Enough to tell which lines belong to a place (those of level 3 and
// deeper after it) and which lines would break a record if inserted.
#pragma once

#include <optional>
#include <string_view>

#include "core/line.hpp"

namespace platsmarkeraren {

struct GedcomLine {
  int level = 0;
  std::string_view xref;  // "@I1@", or empty
  std::string_view tag;
  std::string_view value;  // empty when there is none
};

// Levels past this are all "deep"; the number need not be read further.
inline constexpr int kDeepestLevel = 99;

struct Level {
  int number;         // -1 when the line has none
  std::size_t after;  // where the rest of the line begins, past the space
};

// The level that `text` (a line without its line end) begins with, after
// any blanks, when a space follows it.
inline Level level_at(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t digits = i;
  int level = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (level <= kDeepestLevel) level = level * 10 + (text[i] - '0');
  }
  if (i == digits || i == text.size() || text[i] != ' ') return {-1, 0};
  return {level, i + 1};
}

inline int level_of(std::string_view text) { return level_at(text).number; }

// Level, cross-reference, tag and value, or nothing when `text` is not a
// GEDCOM line. Tags are letters, digits and underscores (custom tags begin
// with one).
std::optional<GedcomLine> parse_gedcom_line(std::string_view text);

// True for a line of level 3 or deeper whose tag is MAP: a place's map
// coordinates. `text` is a line without its line end.
bool is_map_line(std::string_view text);

// A place's own lines are those of level 3 and deeper right after it. True
// when one of them, among the lines of [next, last), is a MAP.
bool carries_map_after(const char* next, const char* last, LineBreak line_break);

inline bool carries_map(const char* next, const char* last, LineBreak line_break) {
  // Most places are followed at once by a line of level 0 to 2: the merge
  // asks this of nearly every place line, so that case is told first.
  if (last - next >= 2 && next[0] >= '0' && next[0] <= '2' && next[1] == ' ') return false;
  return carries_map_after(next, last, line_break);
}

// True when `text` holds nothing but blanks.
inline bool is_blank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// `text` without the blanks around it: a value as programs pad it.
inline std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// True when `text`, inserted after a place line, would end or break the
// record it lands in: a place line, a line of level 0, 1 or 2, or a blank
// line (GEDCOM has none).
bool breaks_record(std::string_view text);

}  // namespace platsmarkeraren
