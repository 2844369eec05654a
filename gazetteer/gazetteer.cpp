#include "gazetteer/gazetteer.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/parish_register.hpp"
#include "core/block_shape.hpp"
#include "gazetteer/place_query.hpp"
#include "gazetteer/place_wording.hpp"
#include "gazetteer/resolve.hpp"
#include "core/tree_encoding.hpp"
#include "core/tree_header.hpp"
#include "core/appended_lines.hpp"
#include "core/batched_sink.hpp"
#include "core/coordinate_index.hpp"
#include "core/line.hpp"
#include "core/missing_places.hpp"
#include "core/printable.hpp"

namespace platsmarkeraren {

namespace {

// A notes line's candidates stop at ten; more are counted.
constexpr std::size_t kCandidatesShown = 10;

struct MissingPlace {
  std::string line;  // the place line without its line end
  PlaceQuery query;
  Resolution resolution;
};

// The credit of coordinates typed by hand, in a block's place of GeoNames'.
constexpr std::string_view kTypedCredit = "Inte ur GeoNames";

// The credit line of a block whose source, as its note names it, is `source`.
std::string_view credit_of(std::string_view source) {
  return source.starts_with(kParishSource) ? kParishCredit : kGeoNamesCredit;
}

class DraftWriter {
 public:
  DraftWriter(const WantedRows& gazetteer, TreeEncoding encoding, std::string_view line_end, Sink& out)
      : gazetteer_(gazetteer), lines_(encoding, line_end, out) {}

  // The block of a place the gazetteer names beyond doubt.
  void block(const MissingPlace& place, const BlockShape& shape) {
    const GazetteerRow& row = *place.resolution.rows.front();
    chosen_block(place, {0, row.latitude.gedcom('N', 'S'), row.longitude.gedcom('E', 'W'),
                         std::string(source_of(row)) + " " + row.id + ": " + description(row), true}, shape);
  }

  void chosen_block(const MissingPlace& place, const ChosenCoordinates& chosen, const BlockShape& shape) {
    lines_.raw_line(place.line);
    // In the tree's own letters: a note is read by people, in the program
    // the tree was made with.
    const std::string source = encode(AppendedLines::note_text(chosen.source), lines_.encoding());
    const std::string credit = chosen.from_gazetteer ? std::string(credit_of(chosen.source))
                                                     : encode(kTypedCredit, lines_.encoding());
    for (const std::string& text : shape.block(chosen.latitude, chosen.longitude, source, credit)) lines_.raw_line(text);
  }

  void heading() {
    lines_.line("# Orter som registren inte avgör. Välj bland kandidaterna och skriv blocket för hand under");
    lines_.line("# ortraden, eller rätta ortraden i trädet. Rader som börjar med # förs aldrig in i ett träd.");
  }

  static std::string_view why(const Resolution& resolution) {
    return resolution.outcome == Resolution::ambiguous       ? "flera orter har namnet; välj en:"
           : resolution.outcome == Resolution::only_division ? "ett land, ett län eller en delstat och ingen ort, så inget block"
           : resolution.outside_county ? "ingen ort med namnet i det län eller land som anges; namnet finns här:"
           : resolution.without_gazetteer
               ? "ingen socken med namnet i sockenregistret; byar, gårdar och orter utomlands behöver ett ortregister (GeoNames)"
               : "namnet finns inte i ortregistret";
  }

  void notes(const MissingPlace& place) {
    const Resolution& resolution = place.resolution;
    lines_.place_note(place.line, why(resolution));
    const std::size_t shown = std::min(resolution.rows.size(), kCandidatesShown);
    for (std::size_t i = 0; i < shown; ++i) {
      const GazetteerRow& row = *resolution.rows[i];
      lines_.line("#   " + AppendedLines::note_text(description(row) + distance_from_near(row, resolution) + ": " +
                                   row.latitude.gedcom('N', 'S') + " " + row.longitude.gedcom('E', 'W') + " (" +
                                   std::string(source_of(row)) + " " + row.id + ")"));
    }
    if (resolution.rows.size() > shown) lines_.line("#   och " + std::to_string(resolution.rows.size() - shown) + " till");
  }

 private:
  std::string description(const GazetteerRow& row) const { return described(row, gazetteer_); }

  const WantedRows& gazetteer_;
  AppendedLines lines_;
};

}  // namespace

struct DraftPlan::Plan {
  WantedRows rows;
  std::vector<MissingPlace> places;
  BlockShape shape;
  std::string line_end;
  TreeEncoding encoding = TreeEncoding::utf8;
  bool end_last_line = false;  // the draft begins with a line end
  DraftCounts counts;
};

DraftPlan::DraftPlan(Source& genealogy, Source& coordinates, Source* gazetteer, std::string_view gazetteer_name,
                     const DraftOptions& options) {
  const CoordinateIndex index(coordinates);
  TreeHeader tree(genealogy);
  MissingPlaces missing = missing_places(tree, index);
  if (missing.lines.empty()) return;
  const TreeEncoding encoding = tree.encoding();
  std::vector<std::string>& lines = missing.lines;
  // A place's own form stands before the header's.
  const std::vector<PartRole> tree_form = read_place_form(decode(tree.place_form(), encoding));
  std::vector<PlaceQuery> queries(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view own = missing.forms[i];
    queries[i] = place_query(lines[i], encoding, own.empty() ? tree_form : read_place_form(decode(own, encoding)));
  }
  plan_ = std::make_unique<Plan>(Plan{gazetteer != nullptr ? rows_for(queries, *gazetteer, gazetteer_name, options.progress)
                                                             : WantedRows({}, {}, {}),
                                      {},
                                      BlockShape::of(index.file(), index.line_break()),
                                      std::string(index.appended_line_end(missing.first_line_end)), encoding,
                                      options.appending && index.ends_mid_line(), {}});
  Plan& plan = *plan_;
  plan.counts.passed_over = passed_over(plan.rows, tree.start());
  plan.places.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    MissingPlace& place = plan.places.emplace_back(MissingPlace{std::move(lines[i]), std::move(queries[i]), {}});
    place.resolution = resolve_with_parishes(place.query, plan.rows, gazetteer != nullptr);
    const Resolution::Outcome outcome = place.resolution.outcome;
    ++(outcome == Resolution::resolved    ? plan.counts.resolved
       : outcome == Resolution::ambiguous ? plan.counts.ambiguous
       : outcome == Resolution::unknown   ? plan.counts.unknown
                                          : plan.counts.only_divisions);
  }
}

DraftPlan::DraftPlan(DraftPlan&&) noexcept = default;
DraftPlan& DraftPlan::operator=(DraftPlan&&) noexcept = default;
DraftPlan::~DraftPlan() = default;

DraftCounts DraftPlan::counts() const { return plan_ ? plan_->counts : DraftCounts{}; }

std::vector<UndecidedPlace> DraftPlan::undecided() const {
  std::vector<UndecidedPlace> offered;
  if (!plan_) return offered;
  for (const MissingPlace& place : plan_->places) {
    if (place.resolution.outcome == Resolution::resolved) continue;
    UndecidedPlace& shown =
        offered.emplace_back(UndecidedPlace{place.query.text, std::string(DraftWriter::why(place.resolution)), {}});
    for (const GazetteerRow* row : place.resolution.rows) {
      shown.candidates.push_back({printable(described(*row, plan_->rows) + distance_from_near(*row, place.resolution)),
                                  row->latitude.gedcom('N', 'S'),
                                  row->longitude.gedcom('E', 'W'), row->latitude.value(), row->longitude.value(),
                                  printable(row->id), std::string(source_of(*row))});
    }
  }
  return offered;
}

void DraftPlan::write(std::span<const ChosenCoordinates> chosen, Sink& out) const {
  if (!plan_) return;
  const Plan& plan = *plan_;
  BatchedSink batched(out);
  if (plan.end_last_line) batched.write(plan.line_end);
  DraftWriter writer(plan.rows, plan.encoding, plan.line_end, batched);
  for (const MissingPlace& place : plan.places) {
    if (place.resolution.outcome == Resolution::resolved) writer.block(place, plan.shape);
  }
  std::vector<const MissingPlace*> open;
  for (const MissingPlace& place : plan.places) {
    if (place.resolution.outcome != Resolution::resolved) open.push_back(&place);
  }
  std::vector<bool> taken(open.size(), false);
  for (const ChosenCoordinates& choice : chosen) {
    if (choice.place >= open.size() || taken[choice.place]) continue;
    taken[choice.place] = true;
    writer.chosen_block(*open[choice.place], choice, plan.shape);
  }
  bool headed = false;
  for (std::size_t i = 0; i < open.size(); ++i) {
    if (taken[i]) continue;
    if (!headed) writer.heading();
    headed = true;
    writer.notes(*open[i]);
  }
  batched.flush();
}

DraftCounts draft_coordinates(Source& genealogy, Source& coordinates, Source* gazetteer,
                              std::string_view gazetteer_name, Sink& out, const DraftOptions& options) {
  const DraftPlan plan(genealogy, coordinates, gazetteer, gazetteer_name, options);
  plan.write({}, out);
  return plan.counts();
}

}  // namespace platsmarkeraren
