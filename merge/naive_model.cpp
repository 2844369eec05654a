#include "merge/naive_model.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace platsmarkeraren::naive {

namespace {

std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    line += c;
    if (c == '\n') lines.push_back(std::move(line)), line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool ends_with(const std::string& line, std::string_view end) {
  return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
}

std::string line_end(const std::string& line) {
  if (ends_with(line, "\r\n")) return "\r\n";
  if (ends_with(line, "\n")) return "\n";
  return "";
}

std::string text_of(const std::string& line) {
  return line.substr(0, line.size() - line_end(line).size());
}

// CR LF and LF are the same line end.
std::string comparable(const std::string& line) {
  return ends_with(line, "\r\n") ? text_of(line) + "\n" : line;
}

bool is_place_line(const std::string& line) { return line.find("2 PLAC ") != std::string::npos; }

// The number of the coordinate line that is the twin of `place`, or -1.
long twin_of(const std::string& place, const std::vector<std::string>& coordinates) {
  for (std::size_t i = 0; i < coordinates.size(); ++i) {
    if (comparable(coordinates[i]) == comparable(place)) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace

std::string merge(std::string_view genealogy, std::string_view coordinates) {
  const std::vector<std::string> coordinate_lines = lines_of(coordinates);
  std::string output;
  for (const std::string& line : lines_of(genealogy)) {
    output += line;
    if (!is_place_line(line)) continue;
    const long twin = twin_of(line, coordinate_lines);
    if (twin < 0) continue;
    const std::size_t first = static_cast<std::size_t>(twin) + 1;
    const std::size_t last = std::min(first + 5, coordinate_lines.size());
    for (std::size_t i = first; i < last; ++i) output += text_of(coordinate_lines[i]) + line_end(line);
  }
  return output;
}

std::string missing_places(std::string_view genealogy, std::string_view coordinates) {
  const std::vector<std::string> coordinate_lines = lines_of(coordinates);
  std::vector<std::string> listed;
  std::string output;
  for (const std::string& line : lines_of(genealogy)) {
    if (!is_place_line(line) || twin_of(line, coordinate_lines) >= 0) continue;
    if (std::find(listed.begin(), listed.end(), comparable(line)) != listed.end()) continue;
    listed.push_back(comparable(line));
    output += line;
  }
  return output;
}

}  // namespace platsmarkeraren::naive
