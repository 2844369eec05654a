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
#include "core/block_shape.hpp"
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
  std::string record;  // the record it stands in, "_PLAC" or "_LOC @L1@"; empty under the place line
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

Sighting sighting_of(const MapLines& map, std::size_t line, std::string record) {
  Sighting sighting{line, std::move(record), {}, {}, {}, std::nullopt};
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

// A distinct place line of the tree that has no twin.
struct Place {
  std::string text;  // the place line without its line end
  std::vector<Sighting> sightings;  // its own MAPs, then its records', in order
  std::vector<std::string> pointers;  // the location records it points to: @L1@
  std::optional<Sighting> taken;  // the first sound MAP, which the block gives
  std::vector<Sighting> others;   // MAPs elsewhere, and those out of form, each once
  bool unwritable = false;        // the place line cannot be written as one line
};

// Records that hold a place's coordinates apart from the events that name
// it, as several programs export them: "0 _PLAC <name>" with "1 MAP";
// "0 _PLAC_DEFN" with "1 PLAC <name>" and "2 MAP"; GEDCOM 7's location
// records, "0 @L1@ _LOC" with "1 NAME" and "1 MAP", pointed to from a place
// by "_LOC @L1@". Each is read whole, its lines kept until it ends, as its
// MAP may stand in the next stretch of the file.
class PlaceRecords {
 public:
  void line(std::string_view text, std::size_t number) {
    if (level_of(text) == 0) {
      finish();
      const std::optional<GedcomLine> record = parse_gedcom_line(text);
      if (!record || (record->tag != "_PLAC" && record->tag != "_PLAC_DEFN" && record->tag != "_LOC")) return;
      open_ = true;
      tag_ = record->tag;
      xref_ = record->xref;
      name_ = record->tag == "_PLAC" ? trimmed(record->value) : std::string_view();
      body_.clear();
      number_ = number;
      return;
    }
    if (open_) body_.append(text).append("\n");
  }

  void finish() {
    if (!open_) return;
    open_ = false;
    const char* next = body_.data();
    const char* const last = next + body_.size();
    const LineBreak line_feed = LineBreak::of("\n");
    std::string name = name_;
    std::vector<Sighting> sightings;
    std::size_t number = number_;
    int place_level = tag_ == "_PLAC_DEFN" ? -1 : 0;  // a definition's place is its PLAC line
    const auto maps_from = [&](const char* from) {
      for_each_map(from, last, line_feed, place_level, std::numeric_limits<std::size_t>::max(), [&](const MapLines& map) {
        sightings.push_back(sighting_of(map, number + map.line, tag_ + (xref_.empty() ? "" : " " + xref_)));
      });
    };
    if (place_level == 0) maps_from(next);
    while (next < last) {
      const std::string_view text = line_feed.split(line_feed.take_line(next, last)).text;
      ++number;
      const std::optional<GedcomLine> field = parse_gedcom_line(text);
      if (!field || field->level != 1) continue;
      if (field->tag == (tag_ == "_LOC" ? "NAME" : "PLAC") && name.empty()) {
        name = trimmed(field->value);
        if (tag_ == "_PLAC_DEFN") {
          place_level = 1;
          maps_from(next);
          place_level = -1;
        }
      }
    }
    body_.clear();
    if (tag_ == "_LOC" && !name.empty()) append(by_location_name_[name], sightings);
    const std::string& key = tag_ == "_LOC" ? xref_ : name;
    if (!key.empty()) append((tag_ == "_LOC" ? by_xref_ : by_name_)[key], std::move(sightings));
  }

  // The records' MAPs for a place: those of the location records it points
  // to, or else of the records named as it is.
  std::vector<Sighting> of(const Place& place) const {
    std::vector<Sighting> found;
    for (const std::string& pointer : place.pointers) add(found, by_xref_, pointer);
    const std::string name(trimmed(place_value(place.text)));
    if (name.empty()) return found;
    add(found, by_name_, name);
    if (place.pointers.empty()) add(found, by_location_name_, name);
    return found;
  }

 private:
  using Sightings = std::unordered_map<std::string, std::vector<Sighting>>;

  static void append(std::vector<Sighting>& to, std::vector<Sighting> more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }
  static void add(std::vector<Sighting>& to, const Sightings& from, const std::string& key) {
    const auto found = from.find(key);
    if (found != from.end()) to.insert(to.end(), found->second.begin(), found->second.end());
  }

  bool open_ = false;
  std::string tag_;
  std::string xref_;
  std::string name_;
  std::size_t number_ = 0;
  std::string body_;
  Sightings by_name_;
  Sightings by_xref_;
  Sightings by_location_name_;
};

struct Gathered {
  std::vector<Place> places;  // in the order first met
  PlaceRecords records;
  std::string first_line_end;  // of the first place line met
};

// The location records a place line points to among its own lines: the
// values of its "_LOC @L1@" lines.
std::vector<std::string> pointers_of(const char* next, const char* last, LineBreak line_break, int place_level) {
  std::vector<std::string> pointers;
  while (next < last) {
    const std::optional<GedcomLine> line = parse_gedcom_line(line_break.split(line_break.take_line(next, last)).text);
    if (!line || line->level <= place_level) break;
    if (line->level == place_level + 1 && line->tag == "_LOC") pointers.emplace_back(trimmed(line->value));
  }
  return pointers;
}

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
      Place& seen = place_of(place);
      const int level = place_line_level(place.text);
      const char* const own = place_line.data() + place_line.size();
      for_each_map(own, last, stretch.line_break, level, std::numeric_limits<std::size_t>::max(),
                   [&](const MapLines& map) { seen.sightings.push_back(sighting_of(map, place_number + map.line, {})); });
      for (std::string& pointer : pointers_of(own, last, stretch.line_break, level)) {
        if (std::find(seen.pointers.begin(), seen.pointers.end(), pointer) == seen.pointers.end()) {
          seen.pointers.push_back(std::move(pointer));
        }
      }
    });
    std::size_t number = lines_;
    for (const char* next = stretch.bytes.data(); next < last;) {
      gathered_.records.line(stretch.line_break.split(stretch.line_break.take_line(next, last)).text, ++number);
    }
    lines_ += all;
  }

 private:
  Place& place_of(const Line& place) {
    if (gathered_.places.empty()) gathered_.first_line_end = place.end;
    const auto [at, added] = by_text_.try_emplace(std::string(place.text), gathered_.places.size());
    if (added) gathered_.places.push_back({std::string(place.text), {}, {}, std::nullopt, {}, !writable_as_one_line(place.text)});
    return gathered_.places[at->second];
  }

  const CoordinateIndex& index_;
  Gathered& gathered_;
  std::unordered_map<std::string, std::size_t, SaltedTextHash> by_text_;
  std::size_t lines_ = 0;  // line breaks before the stretch being read
};

// Takes the place's first sound MAP, and keeps the others that put it more
// than a kilometre away, or are out of form, each once.
void decide(Place& place) {
  for (Sighting& sighting : place.sightings) {
    if (!place.taken && sighting.fault.empty() && !place.unwritable) {
      place.taken = std::move(sighting);
      continue;
    }
    if (place.taken && sighting.degrees &&
        kilometres_between(earth_point(place.taken->degrees->latitude, place.taken->degrees->longitude),
                           earth_point(sighting.degrees->latitude, sighting.degrees->longitude)) <=
            kSameCoordinatesKilometres) {
      continue;
    }
    const auto same = [&](const Sighting& other) {
      return other.latitude == sighting.latitude && other.longitude == sighting.longitude && other.fault == sighting.fault;
    };
    if (std::none_of(place.others.begin(), place.others.end(), same)) place.others.push_back(std::move(sighting));
  }
  place.sightings.clear();
}

class RecoveryWriter {
 public:
  RecoveryWriter(std::string_view tree_name, TreeEncoding encoding, std::string_view line_end, Sink& out)
      : tree_name_(AppendedLines::note_text(tree_name)), lines_(encoding, line_end, out) {}

  // The tree's coordinates with their values only: whatever else stood on
  // or around its MAP lines (a deeper level, a value after MAP) is no part
  // of a place's coordinates.
  void block(const Place& place, const BlockShape& shape) {
    lines_.raw_line(place.text);
    const std::string source = encode("Koordinaterna stod i " + tree_name_ + ", rad " + where(*place.taken),
                                      lines_.encoding());
    const std::string credit = encode("Hämtade ur trädet med platsmarkeraren -t", lines_.encoding());
    for (const std::string& shaped : shape.block(place.taken->latitude, place.taken->longitude, source, credit)) {
      lines_.raw_line(shaped);
    }
  }

  // "214", or "214 (_LOC @L1@)" for a record of its own: escaped, as a
  // record's pointer is the tree's text.
  static std::string where(const Sighting& sighting) {
    return std::to_string(sighting.line) +
           (sighting.record.empty() ? "" : " (" + AppendedLines::note_text(sighting.record) + ")");
  }

  void heading() {
    lines_.line("# Orter som trädet ger olika koordinater, eller koordinater som inte följer GEDCOM. Blocket");
    lines_.line("# ovan tar de första som följer GEDCOM; rätta det för hand om andra är de rätta.");
  }

  void notes(const Place& place) {
    lines_.place_note(place.text, place.taken        ? "blocket tar koordinaterna på rad " + where(*place.taken) +
                                                           "; trädet ger också:"
                                  : place.unwritable ? "inget block, ortraden har en radbrytning i sig:"
                                                     : "inget block, koordinaterna följer inte GEDCOM:");
    for (const Sighting& other : place.others) {
      const std::string what = other.fault.empty() ? "LATI " + other.latitude + ", LONG " + other.longitude : other.fault;
      lines_.line("#   rad " + where(other) + ": " + AppendedLines::note_text(what));
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
  gathered.records.finish();
  RecoveryCounts counts;
  for (Place& place : gathered.places) {
    std::vector<Sighting> recorded = gathered.records.of(place);
    place.sightings.insert(place.sightings.end(), recorded.begin(), recorded.end());
    decide(place);
  }
  if (std::none_of(gathered.places.begin(), gathered.places.end(),
                   [](const Place& place) { return place.taken || !place.others.empty(); })) {
    return counts;
  }
  const std::string_view line_end = index.appended_line_end(gathered.first_line_end);
  BatchedSink batched(out);
  if (options.appending && index.ends_mid_line()) batched.write(line_end);
  RecoveryWriter writer(options.tree_name, tree.encoding(), line_end, batched);
  const BlockShape shape = BlockShape::of(index.file(), index.line_break());
  for (const Place& place : gathered.places) {
    if (!place.taken) continue;
    writer.block(place, shape);
    ++counts.blocks;
  }
  for (const Place& place : gathered.places) {
    if (place.others.empty()) continue;
    if (counts.conflicting + counts.malformed == 0) writer.heading();
    ++(place.taken ? counts.conflicting : counts.malformed);
    writer.notes(place);
  }
  batched.flush();
  return counts;
}

}  // namespace platsmarkeraren
