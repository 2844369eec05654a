#include "recovery/recovery.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/coordinate_value.hpp"
#include "core/house_shape.hpp"
#include "core/tree_encoding.hpp"
#include "core/tree_header.hpp"
#include "core/appended_lines.hpp"
#include "core/batched_sink.hpp"
#include "core/coordinate_index.hpp"
#include "core/gedcom_line.hpp"
#include "core/hash.hpp"
#include "core/printable.hpp"
#include "core/stretch_output.hpp"
#include "core/stretch_workers.hpp"

namespace platsmarkeraren {

namespace {

// A MAP among a place line's own lines with a LATI and a LONG right under
// it: the three lines as they stand in the tree.
struct OwnMap {
  std::string_view map;
  std::string_view latitude;
  std::string_view longitude;

  bool whole() const { return !latitude.empty() && !longitude.empty(); }
};

// The first whole MAP among the own lines of a place line that ends at
// `next`: those of level 3 and deeper, up to `last`.
std::optional<OwnMap> own_map(const char* next, const char* last, LineBreak line_break) {
  OwnMap found;
  int map_level = -1;
  while (next < last) {
    const std::string_view text = line_break.split(line_break.take_line(next, last)).text;
    const int level = level_of(text);
    if (level < 3) break;
    if (map_level >= 0 && level <= map_level) {
      if (found.whole()) return found;
      map_level = -1;
    }
    const std::optional<GedcomLine> line = parse_gedcom_line(text);
    if (!line) continue;
    if (line->tag == "MAP") {
      found = {text, {}, {}};
      map_level = level;
    } else if (map_level >= 0 && level == map_level + 1) {
      std::string_view& value = line->tag == "LATI" ? found.latitude : found.longitude;
      if ((line->tag == "LATI" || line->tag == "LONG") && value.empty()) value = text;
    }
  }
  if (map_level >= 0 && found.whole()) return found;
  return std::nullopt;
}

std::string_view value_of(std::string_view line) { return parse_gedcom_line(line)->value; }

// Coordinates that one line of the tree gives a place.
struct Sighting {
  std::size_t line;  // of the place line, counted from 1
  std::string latitude;
  std::string longitude;
  std::string fault;  // what is wrong with their form; empty when nothing
};

// A distinct place line of the tree that has no twin and carries a map.
struct Place {
  std::string text;  // the place line without its line end
  std::string map_line;  // the tree's own three lines, of the sighting the block takes
  std::string latitude_line;
  std::string longitude_line;
  std::optional<Sighting> taken;  // the first sighting in form, which the block gives
  std::vector<Sighting> others;   // other coordinates, and those not in form, each once
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
      const std::optional<OwnMap> map = own_map(place_line.data() + place_line.size(), last, stretch.line_break);
      if (map) see(place, lines_ + breaks + 1, *map);
    });
    lines_ += all;
  }

 private:
  void see(const Line& place, std::size_t line, const OwnMap& map) {
    if (gathered_.places.empty()) gathered_.first_line_end = place.end;
    const auto [at, added] = by_text_.try_emplace(std::string(place.text), gathered_.places.size());
    if (added) gathered_.places.push_back({std::string(place.text), {}, {}, {}, std::nullopt, {}});
    Place& seen = gathered_.places[at->second];
    Sighting sighting{line, std::string(value_of(map.latitude)), std::string(value_of(map.longitude)), {}};
    if (const std::optional<std::string> fault = coordinate_fault("LATI", sighting.latitude)) {
      sighting.fault = *fault;
    } else if (const std::optional<std::string> fault = coordinate_fault("LONG", sighting.longitude)) {
      sighting.fault = *fault;
    }
    if (!seen.taken && sighting.fault.empty()) {
      seen.taken = std::move(sighting);
      seen.map_line = map.map;
      seen.latitude_line = map.latitude;
      seen.longitude_line = map.longitude;
      gathered_.with_blocks.push_back(at->second);
      return;
    }
    const auto same = [&](const Sighting& other) {
      return other.latitude == sighting.latitude && other.longitude == sighting.longitude;
    };
    if ((seen.taken && same(*seen.taken)) || std::any_of(seen.others.begin(), seen.others.end(), same)) return;
    seen.others.push_back(std::move(sighting));
  }

  const CoordinateIndex& index_;
  Gathered& gathered_;
  std::unordered_map<std::string, std::size_t, SaltedTextHash> by_text_;
  std::size_t lines_ = 0;  // line breaks before the stretch being read
};

class RecoveryWriter {
 public:
  RecoveryWriter(std::string_view tree_name, TreeEncoding encoding, std::string_view line_end, Sink& out)
      : tree_name_(printable(tree_name)), lines_(encoding, line_end, out) {}

  void block(const Place& place, const HouseShape& shape) {
    lines_.raw_line(place.text);
    const std::string source = encode("Koordinaterna stod i " + tree_name_ + ", rad " + std::to_string(place.taken->line),
                                      lines_.encoding());
    const std::string credit = encode("Hämtade ur trädet med platsmarkeraren -t", lines_.encoding());
    if (!shape.follows_file()) {
      for (const std::string& own : {place.map_line, place.latitude_line, place.longitude_line}) lines_.raw_line(own);
      lines_.raw_line("3 NOTE " + source);
      lines_.raw_line("4 CONT " + credit);
      return;
    }
    for (const std::string& shaped : shape.block(place.taken->latitude, place.taken->longitude, source, credit)) {
      lines_.raw_line(shaped);
    }
  }

  void heading() {
    lines_.line("# Orter som trädet ger olika koordinater, eller koordinater som inte följer GEDCOM. Blocket");
    lines_.line("# ovan tar de första som följer GEDCOM; rätta det för hand om andra är de rätta.");
  }

  void notes(const Place& place) {
    lines_.place_note(place.text, place.taken ? "blocket tar koordinaterna på rad " + std::to_string(place.taken->line) +
                                                    "; trädet ger också:"
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
    if (place.others.empty()) continue;
    if (counts.conflicting + counts.malformed == 0) writer.heading();
    ++(place.taken ? counts.conflicting : counts.malformed);
    writer.notes(place);
  }
  batched.flush();
  return counts;
}

}  // namespace platsmarkeraren
