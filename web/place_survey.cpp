#include "web/place_survey.hpp"

#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "core/tree_encoding.hpp"
#include "core/coordinate_index.hpp"
#include "core/gedcom_line.hpp"
#include "core/line.hpp"
#include "core/place_maps.hpp"
#include "core/stretch_workers.hpp"
#include "core/text_set.hpp"

namespace platsmarkeraren {

namespace {

// Where the block puts the place, as the check and the audit read it.
std::optional<MapDegrees> block_coordinates(const Line& place, const TwinBlock& block, LineBreak line_break) {
  const char* const first = block.bytes().data();
  const std::optional<MapLines> map =
      placing_map(first, first + block.bytes().size(), line_break, place_line_level(place.text), kBlockLines);
  return map ? map->degrees() : std::nullopt;
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
      const auto coordinates = twin ? block_coordinates(place, twin->block, index_.line_break()) : std::nullopt;
      if (!coordinates) {
        ++survey_.without_coordinates;
        continue;
      }
      const std::optional<GedcomLine> parsed = parse_gedcom_line(place.text);
      const std::string_view value = parsed ? parsed->value : place.text;
      survey_.points.push_back({decode(value, encoding_), coordinates->latitude, coordinates->longitude});
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
