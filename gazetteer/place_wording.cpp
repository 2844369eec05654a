#include "gazetteer/place_wording.hpp"

#include <cmath>
#include <string_view>

#include "gazetteer/parish_register.hpp"
#include "gazetteer/row_distances.hpp"

namespace platsmarkeraren {

namespace {

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

}  // namespace

std::string where_lies(const GazetteerRow& row, const WantedRows& gazetteer) {
  std::string where;
  for (const std::uint32_t division : {row.district, row.county}) {
    if (division == kNoDivision) continue;
    if (!where.empty()) where += ", ";
    where += gazetteer.divisions()[division].name;
  }
  return where.empty() ? row.country : where;
}

std::string described(const GazetteerRow& row, const WantedRows& gazetteer) {
  if (from_parish_register(row)) return row.name + ", " + row.parish_where;
  std::string text = row.name + ", " + std::string(kind_name(row.kind)) + ", " + where_lies(row, gazetteer);
  if (row.county != kNoDivision && row.country != "SE") text += ", " + row.country;
  return text;
}

std::string distance_from_near(const GazetteerRow& row, const Resolution& resolution) {
  const NearestRow nearest = nearest_row(row.latitude.value(), row.longitude.value(), resolution.near);
  if (nearest.row == nullptr) return {};
  return ", " + std::to_string(std::lround(nearest.kilometres)) + " km från " + nearest.row->name;
}

}  // namespace platsmarkeraren
