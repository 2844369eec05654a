#include "recovery/recovery.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/coordinate_value.hpp"
#include "core/earth.hpp"
#include "core/house_shape.hpp"
#include "core/tree_encoding.hpp"
#include "core/tree_header.hpp"
#include "core/typed_coordinates.hpp"
#include "core/appended_lines.hpp"
#include "core/batched_sink.hpp"
#include "core/coordinate_index.hpp"
#include "core/gedcom_line.hpp"
#include "core/hash.hpp"
#include "core/place_maps.hpp"
#include "core/printable.hpp"
#include "core/stretch_output.hpp"
#include "core/stretch_workers.hpp"

namespace platsmarkeraren {

namespace {

// Coordinates that one MAP of the tree gives a place.
struct Sighting {
  std::size_t line;  // of the MAP, counted from 1
  std::string latitude;   // the values in GEDCOM's form, or as they stand when out of form
  std::string longitude;
  std::string fault;  // what keeps them from placing the place; empty when nothing
  std::optional<MapDegrees> degrees;  // when there is no fault
};

// Two MAPs no farther apart than this give one place the same coordinates,
// written with other decimals.
constexpr double kSameCoordinatesKilometres = 1.0;

// A value in GEDCOM's form, or brought to it from the forms other programs
// write ("-22.5649", "60.7306N", "45°55'25\"N", "N60,6065"); empty, with
// `fault` set, when it cannot be read.
std::string gedcom_value(std::string_view tag, std::string_view value, std::string& fault) {
  const std::optional<std::string> wrong = coordinate_fault(tag, value);
  if (!wrong) return std::string(value);
  const TypedValue typed = read_typed_value(tag, value);
  if (typed.gedcom.empty() && fault.empty()) fault = *wrong;
  return typed.gedcom;
}

Sighting sighting_of(const MapLines& map, std::size_t line) {
  Sighting sighting{line, {}, {}, {}, std::nullopt};
  if (map.latitude.empty() || map.longitude.empty()) {
    sighting.fault = std::string("MAP utan ") + (map.latitude.empty() ? "LATI" : "LONG") + " under sig";
    return sighting;
  }
  sighting.latitude = gedcom_value("LATI", map.latitude_value(), sighting.fault);
  sighting.longitude = gedcom_value("LONG", map.longitude_value(), sighting.fault);
  if (!sighting.fault.empty()) {
    sighting.latitude = map.latitude_value();
    sighting.longitude = map.longitude_value();
    return sighting;
  }
  const MapDegrees degrees{*coordinate_degrees("LATI", sighting.latitude), *coordinate_degrees("LONG", sighting.longitude)};
  // Programs write 0 and 0 for coordinates they do not know: a point in
  // the sea off Africa, no place of a tree.
  if (degrees.latitude == 0 && degrees.longitude == 0) {
    sighting.fault = "LATI " + sighting.latitude + ", LONG " + sighting.longitude + " står för okända koordinater";
    return sighting;
  }
  sighting.degrees = degrees;
  return sighting;
}

// A place line that holds a line-break byte of its own would stand as two
// lines in the coordinate file, one of them no place line.
bool writable_as_one_line(std::string_view place_line) {
  return place_line.find_first_of("\r\n") == std::string_view::npos;
}

// A distinct place line of the tree that has no twin and carries a map.
struct Place {
  std::string text;  // the place line without its line end
  std::optional<Sighting> taken;  // the first sound MAP, which the block gives
  std::vector<Sighting> others;   // MAPs elsewhere, and those out of form, each once
  bool unwritable = false;        // the place line cannot be written as one line
};

struct Gathered {
  std::vector<Place> places;  // in the order first met
  std::vector<std::size_t> with_blocks;  // of places, in the order their blocks are met
  std::string first_line_end;  // of the first place line met
};

class Gatherer final : public GenealogyVisitor {
 public:
  Gatherer(const CoordinateIndex& index, Gathered& gathered) : index_(index), gathered_(gathered) {}

  // One worker goes through the file in order, so lines are counted as they come.
  void lines(const Stretch& stretch) override {
    const char* const last = stretch.bytes.data() + stretch.bytes.size();
    const std::size_t all = for_each_numbered_place_line(stretch, [&](std::string_view place_line, std::size_t breaks) {
      const Line place = stretch.line_break.split(place_line);
      if (index_.twin_offset(place)) return;
      const std::size_t place_number = lines_ + breaks + 1;
      for_each_map(place_line.data() + place_line.size(), last, stretch.line_break, place_line_level(place.text),
                   std::numeric_limits<std::size_t>::max(),
                   [&](const MapLines& map) { see(place, sighting_of(map, place_number + map.line)); });
    });
    lines_ += all;
  }

 private:
  void see(const Line& place, Sighting sighting) {
    if (gathered_.places.empty()) gathered_.first_line_end = place.end;
    const auto [at, added] = by_text_.try_emplace(std::string(place.text), gathered_.places.size());
    if (added) gathered_.places.push_back({std::string(place.text), std::nullopt, {}, !writable_as_one_line(place.text)});
    Place& seen = gathered_.places[at->second];
    if (!seen.taken && sighting.fault.empty() && !seen.unwritable) {
      seen.taken = std::move(sighting);
      gathered_.with_blocks.push_back(at->second);
      return;
    }
    if (seen.taken && sighting.degrees &&
        kilometres_between(earth_point(seen.taken->degrees->latitude, seen.taken->degrees->longitude),
                           earth_point(sighting.degrees->latitude, sighting.degrees->longitude)) <=
            kSameCoordinatesKilometres) {
      return;
    }
    const auto same = [&](const Sighting& other) {
      return other.latitude == sighting.latitude && other.longitude == sighting.longitude && other.fault == sighting.fault;
    };
    if (std::none_of(seen.others.begin(), seen.others.end(), same)) seen.others.push_back(std::move(sighting));
  }

  const CoordinateIndex& index_;
  Gathered& gathered_;
  std::unordered_map<std::string, std::size_t, SaltedTextHash> by_text_;
  std::size_t lines_ = 0;  // line breaks before the stretch being read
};

class RecoveryWriter {
 public:
  RecoveryWriter(std::string_view tree_name, TreeEncoding encoding, std::string_view line_end, Sink& out)
      : tree_name_(AppendedLines::note_text(tree_name)), lines_(encoding, line_end, out) {}

  // The tree's coordinates with their values only: whatever else stood on
  // or around its MAP lines (a deeper level, a value after MAP) is no part
  // of a place's coordinates.
  void block(const Place& place, const HouseShape& shape) {
    lines_.raw_line(place.text);
    const std::string source = encode("Koordinaterna stod i " + tree_name_ + ", rad " + std::to_string(place.taken->line),
                                      lines_.encoding());
    const std::string credit = encode("Hämtade ur trädet med platsmarkeraren -t", lines_.encoding());
    for (const std::string& shaped : shape.block(place.taken->latitude, place.taken->longitude, source, credit)) {
      lines_.raw_line(shaped);
    }
  }

  void heading() {
    lines_.line("# Orter som trädet ger olika koordinater, eller koordinater som inte följer GEDCOM. Blocket");
    lines_.line("# ovan tar de första som följer GEDCOM; rätta det för hand om andra är de rätta.");
  }

  void notes(const Place& place) {
    lines_.place_note(place.text, place.taken        ? "blocket tar koordinaterna på rad " + std::to_string(place.taken->line) +
                                                           "; trädet ger också:"
                                  : place.unwritable ? "inget block, ortraden har en radbrytning i sig:"
                                                     : "inget block, koordinaterna följer inte GEDCOM:");
    for (const Sighting& other : place.others) {
      const std::string what = other.fault.empty() ? "LATI " + other.latitude + ", LONG " + other.longitude : other.fault;
      lines_.line("#   rad " + std::to_string(other.line) + ": " + AppendedLines::note_text(what));
    }
  }

 private:
  std::string tree_name_;
  AppendedLines lines_;
};

}  // namespace

RecoveryCounts recover_coordinates(Source& genealogy, Source& coordinates, Sink& out, const RecoveryOptions& options) {
  const CoordinateIndex index(coordinates);
  TreeHeader tree(genealogy);
  Gathered gathered;
  NoOutput nothing;
  // Every line is held whole, as for the list of missing places, so that a
  // long place line is seen too; one worker keeps the order first met.
  visit_stretches(tree, std::numeric_limits<std::size_t>::max(), nothing, 1,
                  [&](StretchOutput&) { return std::make_unique<Gatherer>(index, gathered); });
  RecoveryCounts counts;
  if (gathered.places.empty()) return counts;
  const std::string_view line_end = index.appended_line_end(gathered.first_line_end);
  BatchedSink batched(out);
  if (options.appending && index.ends_mid_line()) batched.write(line_end);
  RecoveryWriter writer(options.tree_name, tree.encoding(), line_end, batched);
  const HouseShape shape = HouseShape::of(index.file(), index.line_break());
  for (const std::size_t place : gathered.with_blocks) writer.block(gathered.places[place], shape);
  counts.blocks = gathered.with_blocks.size();
  for (const Place& place : gathered.places) {
    if (place.others.empty() && !place.unwritable) continue;
    if (counts.conflicting + counts.malformed == 0) writer.heading();
    ++(place.taken ? counts.conflicting : counts.malformed);
    writer.notes(place);
  }
  batched.flush();
  return counts;
}

}  // namespace platsmarkeraren
