#include "core/block_shape.hpp"

#include <algorithm>
#include <optional>

#include "core/gedcom_line.hpp"
#include "core/place_maps.hpp"

namespace platsmarkeraren {

namespace {

// What one block says of a shared shape: its five lines.
using BlockLines = std::vector<Line>;

// The blocks of a coordinate file, each its five lines; none when a block
// is short or broken, since its shape is then no pattern to follow.
std::optional<std::vector<BlockLines>> blocks_of(std::string_view file, LineBreak line_break) {
  std::vector<BlockLines> blocks;
  const char* next = file.data();
  const char* const last = next + file.size();
  while (next != last) {
    if (!is_place_line(line_break.take_line(next, last))) continue;
    BlockLines block;
    for (int i = 0; i < kBlockLines; ++i) {
      if (next == last) return std::nullopt;
      const Line line = line_break.split(line_break.take_line(next, last));
      if (is_place_line(line.text) || !parse_gedcom_line(line.text)) return std::nullopt;
      block.push_back(line);
    }
    blocks.push_back(std::move(block));
  }
  return blocks;
}

std::string level_and_tag(const GedcomLine& line) { return std::to_string(line.level) + " " + std::string(line.tag); }

}  // namespace

BlockShape BlockShape::standard() {
  BlockShape shape;
  shape.slots_ = {{Fill::keep, "3 MAP"},
                  {Fill::latitude, "4 LATI"},
                  {Fill::longitude, "4 LONG"},
                  {Fill::source, "3 NOTE"},
                  {Fill::credit, "4 CONT"}};
  return shape;
}

BlockShape BlockShape::of(std::string_view file, LineBreak line_break) {
  const std::optional<std::vector<BlockLines>> blocks = blocks_of(file, line_break);
  if (!blocks || blocks->empty()) return standard();
  BlockShape shape;
  shape.follows_file_ = true;
  bool sourced = false;
  for (int i = 0; i < kBlockLines; ++i) {
    const GedcomLine first = *parse_gedcom_line((*blocks)[0][i].text);
    bool same = true;
    for (const BlockLines& each : *blocks) {
      const GedcomLine line = *parse_gedcom_line(each[i].text);
      if (line.level != first.level || line.tag != first.tag) return standard();
      same = same && each[i].text == (*blocks)[0][i].text;
    }
    // A MAP is no line that may vary: one turned into a note would leave
    // the coordinates under no MAP.
    if (first.tag == "MAP" && !same) return standard();
    if (first.tag == "LATI" || first.tag == "LONG") {
      shape.slots_.push_back({first.tag == "LATI" ? Fill::latitude : Fill::longitude, level_and_tag(first)});
    } else if (same) {
      shape.slots_.push_back({Fill::keep, std::string((*blocks)[0][i].text)});
    } else if (first.level == 3) {
      shape.slots_.push_back({sourced ? Fill::credit : Fill::source, "3 NOTE"});
      sourced = true;
    } else {
      return standard();
    }
  }
  return shape.places_its_coordinates() ? shape : standard();
}

bool BlockShape::places_its_coordinates() const {
  int latitudes = 0;
  int longitudes = 0;
  int maps = 0;
  for (const Slot& slot : slots_) {
    latitudes += slot.fill == Fill::latitude ? 1 : 0;
    longitudes += slot.fill == Fill::longitude ? 1 : 0;
    maps += slot.fill == Fill::keep && parse_gedcom_line(slot.text)->tag == "MAP" ? 1 : 0;
  }
  if (latitudes != 1 || longitudes != 1 || maps != 1) return false;
  // Read as every block is read: the MAP must hold what is filled in.
  std::string text;
  for (const std::string& line : block("N1.0", "E1.0", "", "")) text.append(line).append("\n");
  const std::optional<MapLines> map =
      placing_map(text.data(), text.data() + text.size(), LineBreak::of(text), 2, kBlockLines);
  return map && map->latitude_value() == "N1.0" && map->longitude_value() == "E1.0";
}

std::vector<std::string> BlockShape::block(std::string_view latitude, std::string_view longitude,
                                           std::string_view source, std::string_view credit) const {
  const auto value = [&](Fill fill) {
    return fill == Fill::latitude ? latitude : fill == Fill::longitude ? longitude : fill == Fill::source ? source
                                                                                                         : credit;
  };
  std::vector<std::string> lines(slots_.size());
  std::transform(slots_.begin(), slots_.end(), lines.begin(), [&](const Slot& slot) {
    return slot.fill == Fill::keep ? slot.text : slot.text + " " + std::string(value(slot.fill));
  });
  return lines;
}

}  // namespace platsmarkeraren
