#include "core/gedcom_line.hpp"

#include <algorithm>

namespace platsmarkeraren {

namespace {

bool is_tag_byte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The word of `text` from `from` up to the next space or the end.
std::string_view word_at(std::string_view text, std::size_t from) {
  const std::size_t space = text.find(' ', from);
  return text.substr(from, space == std::string_view::npos ? std::string_view::npos : space - from);
}

}  // namespace

std::optional<GedcomLine> parse_gedcom_line(std::string_view text) {
  GedcomLine line;
  const Level level = level_at(text);
  if (level.number < 0) return std::nullopt;
  line.level = level.number;
  std::size_t next = level.after;
  if (next < text.size() && text[next] == '@') {
    line.xref = word_at(text, next);
    if (line.xref.size() < 3 || line.xref.back() != '@') return std::nullopt;
    next += line.xref.size() + 1;
    if (next > text.size()) return std::nullopt;
  }
  line.tag = word_at(text, next);
  if (line.tag.empty()) return std::nullopt;
  if (!std::all_of(line.tag.begin(), line.tag.end(), is_tag_byte)) return std::nullopt;
  next += line.tag.size();
  if (next < text.size()) line.value = text.substr(next + 1);
  return line;
}

bool breaks_record(std::string_view text) {
  const int level = level_of(text);
  if (level >= 0 && level <= 2) return true;
  return (level < 0 && is_blank(text)) || is_place_line(text);
}

namespace {

// True when the line whose level is `level` has the tag MAP.
bool has_map_tag(std::string_view text, const Level& level) {
  const std::string_view rest = text.substr(level.after);
  return rest.starts_with("MAP") && (rest.size() == 3 || rest[3] == ' ');
}

}  // namespace

bool is_map_line(std::string_view text) {
  const Level level = level_at(text);
  return level.number >= 3 && has_map_tag(text, level);
}

bool carries_map_after(const char* next, const char* last, LineBreak line_break) {
  while (next < last) {
    const std::string_view text = line_break.split(line_break.take_line(next, last)).text;
    const Level level = level_at(text);
    if (level.number < 3) return false;
    if (has_map_tag(text, level)) return true;
  }
  return false;
}

}  // namespace platsmarkeraren
