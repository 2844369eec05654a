#include "fuzz/naive_model.hpp"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <utility>
#include <vector>


namespace platsmarkeraren::naive {

namespace {

// The byte at which a file's lines end, decided by its first CR or LF and
// the byte after it: LF for LF and CR LF, CR for CR and LF CR.
char line_break_of(std::string_view text) {
  const std::size_t first = text.find_first_of("\r\n");
  if (first == std::string_view::npos) return '\n';
  const char after = first + 1 < text.size() ? text[first + 1] : '\0';
  if (text[first] == '\n') return after == '\r' ? '\r' : '\n';
  return after == '\n' ? '\n' : '\r';
}

struct File {
  std::vector<std::string> lines;
  char line_break;
};

File file_of(std::string_view text) {
  File file{{}, line_break_of(text)};
  file.lines.reserve(text.size() / 8);
  std::string line;
  for (const char c : text) {
    line += c;
    if (c == file.line_break) file.lines.push_back(std::move(line)), line.clear();
  }
  if (!line.empty()) file.lines.push_back(line);
  return file;
}

// The line end of `line` in a file whose lines end at `line_break`: that
// byte, with the other one of CR and LF before it when it stands there.
std::string line_end(const std::string& line, char line_break) {
  if (line.empty() || line.back() != line_break) return "";
  const char other = line_break == '\n' ? '\r' : '\n';
  if (line.size() >= 2 && line[line.size() - 2] == other) return std::string{other, line_break};
  return std::string{line_break};
}

std::string text_of(const std::string& line, char line_break) {
  return line.substr(0, line.size() - line_end(line, line_break).size());
}

// All line ends are the same line end: what counts is the text, and
// whether there is one.
std::pair<std::string, bool> comparable(const std::string& line, char line_break) {
  return {text_of(line, line_break), !line_end(line, line_break).empty()};
}

bool is_place_line(const std::string& line) { return line.find("2 PLAC ") != std::string::npos; }

// The grammar is read here in its own plain code, not the program's, so a
// fault in the program's reading of levels and tags shows as a difference.
// A line's level: after any blanks, digits and then a space. Every level
// past 99 counts as 99.
struct Leveled {
  int level = -1;    // -1 for a line without one
  std::string rest;  // what follows the space
};

Leveled leveled(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t digits = 0;
  int level = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i, ++digits) {
    level = std::min(level * 10 + (text[i] - '0'), 100);
  }
  if (digits == 0 || i >= text.size() || text[i] != ' ') return {};
  return {std::min(level, 99), text.substr(i + 1)};
}

bool is_map(const std::string& text) {
  const Leveled line = leveled(text);
  return line.level >= 3 && (line.rest == "MAP" || line.rest.starts_with("MAP "));
}

// Inserted after a place line, these end its record or break the file: a
// place line, a line of level 0 to 2, and a blank line.
bool breaks(const std::string& text) {
  const int level = leveled(text).level;
  if (level >= 0 && level <= 2) return true;
  return is_place_line(text) || (level < 0 && text.find_first_not_of(" \t") == std::string::npos);
}

// The number of the coordinate line that is the twin of `place`, or -1.
long twin_of(const std::string& place, char line_break, const File& coordinates) {
  for (std::size_t i = 0; i < coordinates.lines.size(); ++i) {
    if (comparable(coordinates.lines[i], coordinates.line_break) == comparable(place, line_break)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

// A UTF-8 byte-order mark is no part of the coordinate file's first line.
File coordinate_file_of(std::string_view text) {
  if (text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3);
  return file_of(text);
}

}  // namespace

std::string merge(std::string_view genealogy, std::string_view coordinates, const MergeOptions& options,
                  MergeReport* report) {
  const File coordinate_file = coordinate_file_of(coordinates);
  const File tree = file_of(genealogy);
  MergeReport counts;
  std::string output;
  for (std::size_t k = 0; k < tree.lines.size(); ++k) {
    const std::string& line = tree.lines[k];
    output += line;
    if (!is_place_line(line)) continue;
    const long twin = twin_of(line, tree.line_break, coordinate_file);
    if (twin < 0) continue;
    bool has_own_map = false;
    for (std::size_t i = k + 1; i < tree.lines.size() && leveled(text_of(tree.lines[i], tree.line_break)).level >= 3; ++i) {
      has_own_map = has_own_map || is_map(text_of(tree.lines[i], tree.line_break));
    }
    if (options.keep_existing_maps && has_own_map) continue;
    const std::size_t first = static_cast<std::size_t>(twin) + 1;
    const std::size_t last = std::min(first + 5, coordinate_file.lines.size());
    bool broken = false;
    int maps_added = 0;
    for (std::size_t i = first; i < last; ++i) {
      const std::string text = text_of(coordinate_file.lines[i], coordinate_file.line_break);
      output += text + line_end(line, tree.line_break);
      broken = broken || breaks(text);
      maps_added += is_map(text) ? 1 : 0;
    }
    counts.broken_records += broken ? 1 : 0;
    counts.cut_short += last > first && last - first < 5 ? 1 : 0;
    counts.second_maps += maps_added > 1 || (has_own_map && maps_added > 0) ? 1 : 0;
  }
  if (report != nullptr) *report = counts;
  return output;
}

// A listed line takes the coordinate file's first line end when the two
// files end their lines at different bytes, so that it can be appended.
std::string missing_places(std::string_view genealogy, std::string_view coordinates, bool appending) {
  const File coordinate_file = coordinate_file_of(coordinates);
  const File tree = file_of(genealogy);
  const std::string coordinate_end =
      coordinate_file.lines.empty() ? "" : line_end(coordinate_file.lines[0], coordinate_file.line_break);
  const bool own_ends = tree.line_break == coordinate_file.line_break || coordinate_end.empty();
  std::vector<std::pair<std::string, bool>> listed;
  std::string output;
  for (const std::string& line : tree.lines) {
    if (!is_place_line(line) || twin_of(line, tree.line_break, coordinate_file) >= 0) continue;
    const auto same = comparable(line, tree.line_break);
    if (std::find(listed.begin(), listed.end(), same) != listed.end()) continue;
    listed.push_back(same);
    const std::string end = line_end(line, tree.line_break);
    if (appending && output.empty() && !coordinate_file.lines.empty() &&
        line_end(coordinate_file.lines.back(), coordinate_file.line_break).empty()) {
      output += !coordinate_end.empty() ? coordinate_end : !end.empty() ? end : "\n";
    }
    output += own_ends || end.empty() ? line : text_of(line, tree.line_break) + coordinate_end;
  }
  return output;
}

}  // namespace platsmarkeraren::naive
