#include "core/tree_header.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/gedcom_line.hpp"
#include "core/line.hpp"

namespace platsmarkeraren {

namespace {

// Room for any header a genealogy program writes.
constexpr std::size_t kHeaderBytes = std::size_t{64} << 10;

}  // namespace

std::string_view header_value(std::string_view start, std::string_view tag, std::string_view subtag) {
  const LineBreak line_break = LineBreak::of(start);
  const char* next = start.data();
  const char* const last = next + start.size();
  bool in_header = false;
  bool under_tag = false;
  while (next != last) {
    const std::optional<GedcomLine> line = parse_gedcom_line(line_break.split(line_break.take_line(next, last)).text);
    if (!line) continue;
    if (line->level == 0) {
      if (in_header) break;  // the header has ended
      in_header = line->tag == "HEAD";
    } else if (in_header && line->level == 1) {
      under_tag = line->tag == tag;
      if (under_tag && subtag.empty()) return trimmed(line->value);
    } else if (under_tag && line->level == 2 && line->tag == subtag) {
      return trimmed(line->value);
    }
  }
  return {};
}

TreeHeader::TreeHeader(Source& tree) : tree_(tree), start_(kHeaderBytes, '\0') {
  std::size_t held = 0;
  while (held < start_.size()) {
    const std::size_t got = tree_.read(start_.data() + held, start_.size() - held);
    if (got == 0) break;
    held += got;
  }
  start_.resize(held);
}

std::size_t TreeHeader::read(char* into, std::size_t size) {
  if (handed_ == start_.size()) return tree_.read(into, size);
  const std::size_t given = std::min(size, start_.size() - handed_);
  std::memcpy(into, start_.data() + handed_, given);
  handed_ += given;
  return given;
}

}  // namespace platsmarkeraren
