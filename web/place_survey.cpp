#include "web/place_survey.hpp"

#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "core/coordinate_value.hpp"
#include "core/tree_encoding.hpp"
#include "core/coordinate_index.hpp"
#include "core/gedcom_line.hpp"
#include "core/line.hpp"
#include "core/stretch_workers.hpp"
#include "core/text_set.hpp"

namespace platsmarkeraren {

namespace {

// The block's LATI and LONG, as the merge would insert them.
std::optional<std::pair<double, double>> block_coordinates(const TwinBlock& block, LineBreak line_break) {
  std::optional<double> latitude;
  std::optional<double> longitude;
  const char* const last = block.bytes().data() + block.bytes().size();
  for (const char* next = block.bytes().data(); next != last;) {
    const std::optional<GedcomLine> line = parse_gedcom_line(line_break.split(line_break.take_line(next, last)).text);
    if (!line || line->level < 3) continue;
    if (line->tag == "LATI") latitude = coordinate_degrees(line->tag, line->value);
    if (line->tag == "LONG") longitude = coordinate_degrees(line->tag, line->value);
  }
  if (!latitude || !longitude) return std::nullopt;
  return std::pair{*latitude, *longitude};
}

class Surveyor final : public GenealogyVisitor {
 public:
  Surveyor(const CoordinateIndex& index, PlaceSurvey& survey) : index_(index), survey_(survey) {}

  void lines(const Stretch& stretch) override {
    if (stretch.number == 0) encoding_ = tree_encoding(stretch.bytes);
    for (const std::string_view line : stretch.place_lines) {
      const Line place = stretch.line_break.split(line);
      if (!seen_.insert(place.text)) continue;
      const std::optional<Twin> twin = index_.twin_of(place, index_.hash(place));
      const auto coordinates = twin ? block_coordinates(twin->block, index_.line_break()) : std::nullopt;
      if (!coordinates) {
        ++survey_.without_coordinates;
        continue;
      }
      const std::optional<GedcomLine> parsed = parse_gedcom_line(place.text);
      const std::string_view value = parsed ? parsed->value : place.text;
      survey_.points.push_back({decode(value, encoding_), coordinates->first, coordinates->second});
    }
  }

 private:
  const CoordinateIndex& index_;
  PlaceSurvey& survey_;
  TreeEncoding encoding_ = TreeEncoding::utf8;
  TextSet seen_;
};

}  // namespace

PlaceSurvey survey_places(Source& genealogy, const CoordinateIndex& index) {
  PlaceSurvey survey;
  NoOutput nothing;
  // One worker, so that places come in the order the tree names them.
  visit_stretches(genealogy, std::numeric_limits<std::size_t>::max(), nothing, 1,
                  [&](StretchOutput&) { return std::make_unique<Surveyor>(index, survey); });
  return survey;
}

}  // namespace platsmarkeraren
