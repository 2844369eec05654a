#include "gazetteer/gazetteer.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/house_shape.hpp"
#include "gazetteer/place_query.hpp"
#include "gazetteer/resolve.hpp"
#include "gazetteer/tree_encoding.hpp"
#include "gazetteer/tree_header.hpp"
#include "merge/batched_sink.hpp"
#include "merge/coordinate_index.hpp"
#include "merge/line.hpp"
#include "merge/memory_stream.hpp"
#include "merge/missing_places.hpp"
#include "merge/printable.hpp"

namespace platsmarkeraren {

namespace {

// A notes line's candidates stop at ten; more are counted.
constexpr std::size_t kCandidatesShown = 10;

struct MissingPlace {
  std::string_view line;  // the place line without its line end
  PlaceQuery query;
  Resolution resolution;
};

std::string_view kind_name(PlaceKind kind) {
  switch (kind) {
    case PlaceKind::parish:
      return "socken";
    case PlaceKind::church:
      return "kyrka";
    case PlaceKind::populated:
      return "ort";
    case PlaceKind::municipality:
      return "kommun";
  }
  return {};
}

class DraftWriter {
 public:
  DraftWriter(const WantedRows& gazetteer, TreeEncoding encoding, std::string_view line_end, Sink& out)
      : gazetteer_(gazetteer), encoding_(encoding), line_end_(line_end), out_(out) {}

  void block(const MissingPlace& place, const HouseShape& shape) {
    const GazetteerRow& row = *place.resolution.rows.front();
    raw_line(place.line);
    const std::string source = encode(gazetteer_text("GeoNames " + row.id + ": " + description(row)), TreeEncoding::ascii);
    for (const std::string& text :
         shape.block(row.latitude.gedcom('N', 'S'), row.longitude.gedcom('E', 'W'), source, kGeoNamesCredit)) {
      raw_line(text);
    }
  }

  void heading() {
    line("# Orter som ortregistret inte avgör. Välj bland kandidaterna och skriv blocket för hand under");
    line("# ortraden, eller rätta ortraden i trädet. Rader som börjar med # förs aldrig in i ett träd.");
  }

  void notes(const MissingPlace& place) {
    const Resolution& resolution = place.resolution;
    const std::string_view why =
        resolution.outcome == Resolution::ambiguous       ? "flera orter har namnet; välj en:"
        : resolution.outcome == Resolution::only_division ? "ett land, ett län eller en delstat och ingen ort, så inget block"
        : resolution.outside_county ? "ingen ort med namnet i det län eller land som anges; namnet finns här:"
                                    : "namnet finns inte i ortregistret";
    line("#");
    out_.write(encode("# ", encoding_));
    out_.write(place_text(place.line));
    line(": " + std::string(why));
    const std::size_t shown = std::min(resolution.rows.size(), kCandidatesShown);
    for (std::size_t i = 0; i < shown; ++i) {
      const GazetteerRow& row = *resolution.rows[i];
      line("#   " + gazetteer_text(description(row) + ": " + row.latitude.gedcom('N', 'S') + " " +
                                   row.longitude.gedcom('E', 'W') + " (GeoNames " + row.id + ")"));
    }
    if (resolution.rows.size() > shown) line("#   och " + std::to_string(resolution.rows.size() - shown) + " till");
  }

 private:
  // A line of UTF-8 text, in the tree's encoding.
  void line(std::string_view text) { raw_line(encode(text, encoding_)); }
  // A line of bytes as they stand: the tree's, the coordinate file's, ASCII.
  void raw_line(std::string_view bytes) {
    out_.write(bytes);
    out_.write(line_end_);
  }

  // A gazetteer's text is text, never lines: a line end in a name would
  // start a line of its own in the tree, an escape would command the
  // terminal the draft is shown on, and the place marker would make a note
  // a place line.
  static std::string gazetteer_text(std::string_view text) { return without_place_marker(printable(text)); }

  // "Älvkarleby, socken, Uppsala län", in UTF-8.
  std::string description(const GazetteerRow& row) const {
    std::string text = row.name + ", " + std::string(kind_name(row.kind)) + ", " + where_lies(row, gazetteer_);
    if (row.county != kNoDivision && row.country != "SE") text += ", " + row.country;
    return text;
  }

  const WantedRows& gazetteer_;
  TreeEncoding encoding_;
  std::string_view line_end_;
  Sink& out_;
};

// The missing places: the lines of the list that -l writes.
std::vector<Line> lines_of(std::string_view list) {
  const LineBreak line_break = LineBreak::of(list);
  std::vector<Line> lines;
  for (const char* next = list.data(); next != list.data() + list.size();) {
    lines.push_back(line_break.split(line_break.take_line(next, list.data() + list.size())));
  }
  return lines;
}

// How the draft ends its lines: as the coordinate file, else as the tree,
// whose line ends the list keeps then.
std::string_view line_end_of(const CoordinateIndex& index, const Line& first_place) {
  if (!index.first_line_end().empty()) return index.first_line_end();
  return first_place.terminated() ? first_place.end : "\n";
}

}  // namespace

DraftCounts draft_coordinates(Source& genealogy, Source& coordinates, Source& gazetteer,
                              std::string_view gazetteer_name, Sink& out, const DraftOptions& options) {
  const CoordinateIndex index(coordinates);
  TreeHeader tree(genealogy);
  StringSink list;
  list_missing_places(tree, index, list);
  if (list.text.empty()) return {};
  const TreeEncoding encoding = tree.encoding();
  const std::string_view unread_encoding = encoding == TreeEncoding::unread ? encoding_name(tree.start()) : "";
  const std::vector<Line> lines = lines_of(list.text);
  std::vector<PlaceQuery> queries(lines.size());
  std::transform(lines.begin(), lines.end(), queries.begin(),
                 [&](const Line& line) { return place_query(line.text, encoding); });
  const WantedRows rows = rows_for(queries, gazetteer, gazetteer_name, options.progress);
  std::vector<MissingPlace> places;
  places.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) places.push_back({lines[i].text, std::move(queries[i]), {}});

  DraftCounts counts{.unreadable_rows = rows.unreadable(), .unread_encoding = std::string(unread_encoding)};
  const std::string_view line_end = line_end_of(index, lines.front());
  BatchedSink batched(out);
  if (options.appending && index.ends_mid_line()) batched.write(line_end);
  DraftWriter writer(rows, encoding, line_end, batched);
  const HouseShape shape = HouseShape::of(index.file(), index.line_break());
  for (MissingPlace& place : places) {
    place.resolution = resolve(place.query, rows);
    if (place.resolution.outcome != Resolution::resolved) continue;
    ++counts.resolved;
    writer.block(place, shape);
  }
  for (const MissingPlace& place : places) {
    const Resolution::Outcome outcome = place.resolution.outcome;
    if (outcome == Resolution::resolved) continue;
    if (counts.ambiguous + counts.unknown + counts.only_divisions == 0) writer.heading();
    ++(outcome == Resolution::ambiguous ? counts.ambiguous
       : outcome == Resolution::unknown ? counts.unknown
                                        : counts.only_divisions);
    writer.notes(place);
  }
  batched.flush();
  return counts;
}

}  // namespace platsmarkeraren
