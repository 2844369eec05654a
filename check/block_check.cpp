#include "check/block_check.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/coordinate_value.hpp"
#include "check/near_twin.hpp"
#include "core/gedcom_line.hpp"
#include "core/hash.hpp"

namespace platsmarkeraren {

namespace {

// The MAPs of one block: at most one, with a LATI and a LONG right under it.
class MapCheck {
 public:
  explicit MapCheck(Findings& findings) : findings_(findings) {}

  void see(const GedcomLine& line, std::size_t number) {
    if (open_ && line.level <= level_) close();
    if (line.tag == "MAP") {
      if (++maps_ == 2) findings_.error(number, "en andra MAP i samma block: GEDCOM tillåter en MAP per ort");
      open_ = true;
      level_ = line.level;
      map_ = number;
      latitude_ = longitude_ = false;
    } else if (open_ && line.level == level_ + 1) {
      latitude_ = latitude_ || line.tag == "LATI";
      longitude_ = longitude_ || line.tag == "LONG";
    }
  }

  void close() {
    if (open_ && !(latitude_ && longitude_)) findings_.error(map_, "MAP utan både LATI och LONG under sig");
    open_ = false;
  }

 private:
  Findings& findings_;
  bool open_ = false;
  int level_ = 0;
  std::size_t map_ = 0;
  int maps_ = 0;
  bool latitude_ = false;
  bool longitude_ = false;
};

// Checks line `number` of the block of the place line `place`.
void check_block_line(const Line& line, std::size_t number, std::size_t place, MapCheck& maps, Findings& findings) {
  const auto owner = [place] { return " i blocket till ortraden på rad " + std::to_string(place); };
  if (is_blank(line.text)) {
    findings.error(number, "tom rad" + owner() + ": GEDCOM har inga tomma rader");
    return;
  }
  const std::optional<GedcomLine> gedcom = parse_gedcom_line(line.text);
  if (!gedcom) {
    findings.error(number, "inte en GEDCOM-rad (nivå, tagg, värde)" + owner());
    return;
  }
  if (gedcom->level <= 2) {
    findings.error(number, "rad på nivå " + std::to_string(gedcom->level) + owner() +
                               ": infogad avslutar den händelsen i trädet");
    return;
  }
  maps.see(*gedcom, number);
  if (gedcom->tag == "LATI" || gedcom->tag == "LONG") {
    if (std::optional<std::string> fault = coordinate_fault(gedcom->tag, gedcom->value)) {
      findings.error(number, std::move(*fault));
    }
  }
}

// Reads the coordinate file a line at a time, counting lines from 1.
class Cursor {
 public:
  Cursor(const char* first, const char* last, LineBreak line_break)
      : next_(first), last_(last), line_break_(line_break) {}

  bool at_end() const { return next_ == last_; }
  const char* position() const { return next_; }
  std::size_t line() const { return line_; }  // the number of the line taken last

  Line take() {
    ++line_;
    return line_break_.split(line_break_.take_line(next_, last_));
  }

  // Puts the line just taken back: it began at `position`.
  void put_back(const char* position) {
    next_ = position;
    --line_;
  }

 private:
  const char* next_;
  const char* last_;
  LineBreak line_break_;
  std::size_t line_ = 0;
};

// Checks the block of the place line just taken from `cursor`, and leaves
// the cursor where the next record begins: after the block, or at a place
// line that stands in it.
void check_block(Cursor& cursor, Findings& findings) {
  const std::size_t place = cursor.line();
  MapCheck maps(findings);
  for (int taken = 0; taken < kBlockLines; ++taken) {
    if (cursor.at_end()) {
      findings.error(place, "blocket har bara " + std::to_string(taken) + " av fem rader: koordinatfilen tar slut");
      break;
    }
    const char* const position = cursor.position();
    const Line line = cursor.take();
    if (is_place_line(line.text)) {
      findings.error(cursor.line(), "ortrad i blocket till ortraden på rad " + std::to_string(place) +
                                        ": blocket är för kort, och raden skulle infogas i trädet");
      cursor.put_back(position);
      break;
    }
    check_block_line(line, cursor.line(), place, maps, findings);
  }
  maps.close();
}

// True when the five lines from `a` are the same texts as the five from `b`.
bool same_block(const char* a, const char* b, const char* last, LineBreak line_break) {
  Cursor first(a, last, line_break);
  Cursor second(b, last, line_break);
  for (int i = 0; i < kBlockLines && !(first.at_end() && second.at_end()); ++i) {
    if (first.at_end() || second.at_end() || first.take().text != second.take().text) return false;
  }
  return true;
}

// The place lines of the file in order, by where they begin.
struct PlaceLine {
  std::size_t offset;
  std::size_t line;  // cppcheck-suppress unusedStructMember ; read through an iterator
};

// Warns of a place line given again with a different block: the first one
// in the file wins. `cursor` has just taken the place line `line`.
void check_twice(const CoordinateIndex& index, const Line& line, const Cursor& cursor,
                 const std::vector<PlaceLine>& places, Findings& findings) {
  const char* const file = index.file().data();
  const std::optional<std::size_t> first = index.twin_offset(line);
  if (!first || *first == places.back().offset) return;
  const std::size_t offset = *first;
  const auto earlier = std::lower_bound(places.begin(), places.end(), offset,
                                        [](const PlaceLine& place, std::size_t at) { return place.offset < at; });
  const char* earlier_block = file + offset;
  index.line_break().take_line(earlier_block, file + index.file().size());
  if (same_block(earlier_block, cursor.position(), file + index.file().size(), index.line_break())) return;
  findings.warning(cursor.line(), "ortraden står redan på rad " + std::to_string(earlier->line) +
                                      " med ett annat block: det här blocket används aldrig");
}

}  // namespace

std::optional<std::size_t> NearTwins::find(std::string_view key) const {
  const std::uint64_t wanted = hash(key);
  const auto found = std::lower_bound(lines_.begin(), lines_.end(), std::pair{wanted, std::size_t{0}});
  if (found == lines_.end() || found->first != wanted) return std::nullopt;
  return found->second;
}

NearTwins check_blocks(const CoordinateIndex& index, Findings& findings) {
  const std::string_view file = index.file();
  std::vector<PlaceLine> places;
  NearTwins near_twins;
  std::string key;
  for (Cursor cursor(file.data(), file.data() + file.size(), index.line_break()); !cursor.at_end();) {
    const char* const start = cursor.position();
    const Line line = cursor.take();
    if (!is_place_line(line.text)) continue;
    // What the blocks before this one found can be written now.
    findings.settle_before(cursor.line());
    places.push_back({static_cast<std::size_t>(start - file.data()), cursor.line()});
    check_twice(index, line, cursor, places, findings);
    near_twin_key(line.text, key);
    near_twins.lines_.emplace_back(near_twins.hash(key), cursor.line());
    check_block(cursor, findings);
  }
  std::sort(near_twins.lines_.begin(), near_twins.lines_.end());
  return near_twins;
}

std::vector<PlacedBlock> placed_blocks(const CoordinateIndex& index) {
  const std::string_view file = index.file();
  std::vector<PlacedBlock> placed;
  for (Cursor cursor(file.data(), file.data() + file.size(), index.line_break()); !cursor.at_end();) {
    const Line place = cursor.take();
    if (!is_place_line(place.text)) continue;
    int map_level = -1;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::size_t latitude_line = 0;
    for (int taken = 0; taken < kBlockLines && !cursor.at_end(); ++taken) {
      const char* const position = cursor.position();
      const Line line = cursor.take();
      if (is_place_line(line.text)) {
        cursor.put_back(position);
        break;
      }
      const std::optional<GedcomLine> gedcom = parse_gedcom_line(line.text);
      if (!gedcom || gedcom->level < 3) continue;
      if (gedcom->tag == "MAP" && map_level < 0) {
        map_level = gedcom->level;
      } else if (map_level >= 0 && gedcom->level == map_level + 1 && gedcom->tag == "LATI" && !latitude) {
        latitude = coordinate_degrees(gedcom->tag, gedcom->value);
        latitude_line = cursor.line();
      } else if (map_level >= 0 && gedcom->level == map_level + 1 && gedcom->tag == "LONG" && !longitude) {
        longitude = coordinate_degrees(gedcom->tag, gedcom->value);
      }
    }
    if (latitude && longitude) placed.push_back({place.text, latitude_line, *latitude, *longitude});
  }
  return placed;
}

}  // namespace platsmarkeraren
