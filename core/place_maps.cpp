#include "core/place_maps.hpp"

#include "core/coordinate_value.hpp"

namespace platsmarkeraren {

namespace {

std::string_view value_of(std::string_view line) {
  if (line.empty()) return {};
  return parse_gedcom_line(line)->value;
}

// Walks the own lines and hands each MAP to `each`; stops early when `each`
// returns true.
template <typename Each>
void walk_maps(const char* next, const char* last, LineBreak line_break, int place_level, std::size_t most,
               Each each) {
  MapReader reader(place_level);
  for (std::size_t number = 1; number <= most && next < last; ++number) {
    const std::string_view text = line_break.split(line_break.take_line(next, last)).text;
    const std::optional<GedcomLine> line = parse_gedcom_line(text);
    if (!line || line->level <= place_level) break;
    if (const std::optional<MapLines> map = reader.take(text, *line, number); map && each(*map)) return;
  }
  if (const std::optional<MapLines> map = reader.finish()) each(*map);
}

}  // namespace

std::string_view place_form_under(const char* next, const char* last, LineBreak line_break, int place_level) {
  const std::optional<GedcomLine> line = parse_gedcom_line(line_break.split(line_break.take_line(next, last)).text);
  return line && line->level == place_level + 1 && line->tag == "FORM" ? trimmed(line->value) : std::string_view();
}

std::string_view MapLines::latitude_value() const { return value_of(latitude); }
std::string_view MapLines::longitude_value() const { return value_of(longitude); }

std::optional<MapDegrees> MapLines::degrees() const {
  if (!whole()) return std::nullopt;
  const std::optional<double> north = coordinate_degrees("LATI", latitude_value());
  const std::optional<double> east = coordinate_degrees("LONG", longitude_value());
  if (!north || !east) return std::nullopt;
  return MapDegrees{*north, *east};
}

int place_line_level(std::string_view place_line) {
  const int level = level_of(place_line);
  return level < 0 ? 2 : level;
}

std::optional<MapLines> MapReader::take(std::string_view text, const GedcomLine& line, std::size_t number) {
  std::optional<MapLines> closed;
  if (open_ && line.level <= map_level_) closed = finish();
  const bool coordinate = line.tag == "LATI" || line.tag == "LONG";
  stray_ = coordinate && !(open_ && line.level == map_level_ + 1);
  if (line.tag == "MAP" && line.level == map_level_) {
    open_ = MapLines{number, text, {}, {}, 0, 0};
  } else if (coordinate && !stray_) {
    const bool latitude = line.tag == "LATI";
    std::string_view& kept = latitude ? open_->latitude : open_->longitude;
    if (kept.empty()) {
      kept = text;
      (latitude ? open_->latitude_line : open_->longitude_line) = number;
    }
  }
  return closed;
}

std::optional<MapLines> MapReader::finish() {
  std::optional<MapLines> closed = open_;
  open_.reset();
  return closed;
}

void for_each_map(const char* next, const char* last, LineBreak line_break, int place_level, std::size_t most,
                  const std::function<void(const MapLines&)>& each) {
  walk_maps(next, last, line_break, place_level, most, [&](const MapLines& map) {
    each(map);
    return false;
  });
}

std::optional<MapLines> placing_map(const char* next, const char* last, LineBreak line_break, int place_level,
                                    std::size_t most) {
  std::optional<MapLines> placing;
  walk_maps(next, last, line_break, place_level, most, [&](const MapLines& map) {
    if (!placing && map.degrees()) placing = map;
    return placing.has_value();
  });
  return placing;
}

}  // namespace platsmarkeraren
