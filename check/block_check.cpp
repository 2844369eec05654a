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
#include "core/place_maps.hpp"

namespace platsmarkeraren {

namespace {

// The MAPs of one block: one, right under the place line, with a LATI and
// a LONG right under it; read as every part of the program reads them.
class MapCheck {
 public:
  MapCheck(Findings& findings, int place_level) : findings_(findings), reader_(place_level) {}

  void see(std::string_view text, const GedcomLine& line, std::size_t number) {
    if (line.tag == "MAP" && ++maps_ == 2) findings_.error(number, "en andra MAP i samma block: GEDCOM tillåter en MAP per ort");
    if (const std::optional<MapLines> closed = reader_.take(text, line, number)) check(*closed);
    if (reader_.stray_coordinate()) {
      findings_.error(number, std::string(line.tag) +
                                  " står inte direkt under en MAP under ortraden: inget program läser den som ortens "
                                  "koordinater");
    }
  }

  void close() {
    if (const std::optional<MapLines> closed = reader_.finish()) check(*closed);
  }

 private:
  void check(const MapLines& map) {
    if (!map.whole()) findings_.error(map.line, "MAP utan både LATI och LONG under sig");
  }

  Findings& findings_;
  MapReader reader_;
  int maps_ = 0;
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
  maps.see(line.text, *gedcom, number);
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
void check_block(Cursor& cursor, std::string_view place_text, Findings& findings) {
  const std::size_t place = cursor.line();
  MapCheck maps(findings, place_line_level(place_text));
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
    check_block(cursor, line.text, findings);
  }
  std::sort(near_twins.lines_.begin(), near_twins.lines_.end());
  return near_twins;
}

std::vector<PlacedBlock> placed_blocks(const CoordinateIndex& index) {
  const std::string_view file = index.file();
  const char* const last = file.data() + file.size();
  std::vector<PlacedBlock> placed;
  for (Cursor cursor(file.data(), last, index.line_break()); !cursor.at_end();) {
    const Line place = cursor.take();
    if (!is_place_line(place.text)) continue;
    const int level = place_line_level(place.text);
    const std::optional<MapLines> map = placing_map(cursor.position(), last, index.line_break(), level, kBlockLines);
    if (!map) continue;
    const MapDegrees degrees = *map->degrees();
    placed.push_back({place.text, place_form_under(cursor.position(), last, index.line_break(), level),
                      cursor.line() + map->latitude_line, degrees.latitude, degrees.longitude});
  }
  return placed;
}

}  // namespace platsmarkeraren
