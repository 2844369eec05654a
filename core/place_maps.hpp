// A place's coordinates as GEDCOM gives them, read one way by the whole
// program (the check, the audit, the recovery, the shape of drafted blocks
// and the page's map): among the place line's own lines, a MAP right under
// the place line, and right under that MAP a LATI and a LONG. A place
// stands where its first MAP whose LATI and LONG are both in form puts it.
//
// The merge's own rule for places that have coordinates already (any MAP
// among the own lines, at any depth) is older and broader on purpose: it
// keeps a block from being added where any program might see a second map.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

#include "core/gedcom_line.hpp"
#include "core/line.hpp"

namespace platsmarkeraren {

// Degrees, north and east counting up.
struct MapDegrees {
  double latitude = 0;
  double longitude = 0;
};

// One MAP right under a place line, with the LATI and LONG right under it.
struct MapLines {
  std::size_t line = 0;  // of the MAP, counted from 1 at the place line's first own line
  std::string_view map;  // the lines as they stand, without line ends
  std::string_view latitude;   // empty when the MAP has none
  std::string_view longitude;  // empty when the MAP has none
  std::size_t latitude_line = 0;
  std::size_t longitude_line = 0;

  bool whole() const { return !latitude.empty() && !longitude.empty(); }
  // The values ("N59.8586"), empty when the line is missing.
  std::string_view latitude_value() const;
  std::string_view longitude_value() const;
  // Where it puts the place, when it has both lines and both are in form.
  std::optional<MapDegrees> degrees() const;
};

// The level of a place line's MAP is one deeper than the place line's own;
// a place line that begins with no level stands for GEDCOM's level 2.
int place_line_level(std::string_view place_line);

// The value of a place's own FORM line, which says what each part of its
// text names, when that line stands right after the place line, whose own
// lines begin at `next`; empty otherwise. Programs that write one write it
// first.
std::string_view place_form_under(const char* next, const char* last, LineBreak line_break, int place_level);

// Follows a place's own lines one at a time.
class MapReader {
 public:
  explicit MapReader(int place_level) : map_level_(place_level + 1) {}

  // Takes the next own line, parsed, numbered as MapLines counts. Returns
  // the MAP that this line shows to be complete, if any.
  std::optional<MapLines> take(std::string_view text, const GedcomLine& line, std::size_t number);
  // The MAP still open once the own lines have ended.
  std::optional<MapLines> finish();

  // True when the line taken last was a LATI or LONG that stands right
  // under no MAP of the place: no program reads it as the place's.
  bool stray_coordinate() const { return stray_; }

 private:
  int map_level_;
  std::optional<MapLines> open_;
  bool stray_ = false;
};

// Calls `each` for every MAP right under a place line of level
// `place_level`, in order, among its own lines from `next` (the line after
// the place line) up to `last`, at most `most` of them. The own lines end
// at a line of the place's level or less, or at one that is not GEDCOM's.
void for_each_map(const char* next, const char* last, LineBreak line_break, int place_level, std::size_t most,
                  const std::function<void(const MapLines&)>& each);

// The MAP that places the place: the first whose LATI and LONG are in form.
std::optional<MapLines> placing_map(const char* next, const char* last, LineBreak line_break, int place_level,
                                    std::size_t most);

}  // namespace platsmarkeraren
