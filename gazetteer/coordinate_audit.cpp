#include "gazetteer/coordinate_audit.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/earth.hpp"
#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/parish_register.hpp"
#include "core/tree_header.hpp"
#include "gazetteer/place_query.hpp"
#include "gazetteer/place_wording.hpp"
#include "gazetteer/resolve.hpp"
#include "gazetteer/row_distances.hpp"
#include "core/tree_encoding.hpp"

namespace platsmarkeraren {

namespace {

// The slip that would put the block on its place, if one of the common ones
// does: LATI and LONG swapped, or a hemisphere's letter wrong.
std::string likely_slip(const PlacedBlock& block, const GazetteerRow& place) {
  const auto near = [&](double latitude, double longitude) {
    return kilometres_between(latitude, longitude, place) <= kAuditKilometres;
  };
  if (near(block.longitude, block.latitude)) return "; med LATI och LONG ombytta ligger blocket på orten";
  const std::string latitude = block.latitude < 0 ? "N i stället för S" : "S i stället för N";
  const std::string longitude = block.longitude < 0 ? "E i stället för W" : "W i stället för E";
  if (near(-block.latitude, block.longitude)) return "; med " + latitude + " ligger blocket på orten";
  if (near(block.latitude, -block.longitude)) return "; med " + longitude + " ligger blocket på orten";
  if (near(-block.latitude, -block.longitude)) {
    return "; med " + latitude + " och " + longitude + " ligger blocket på orten";
  }
  return {};
}

// A block lies on its parish when it lies within some period's bounds, as
// far as a circle of the period's area tells them, with room to spare for
// a parish that is no circle.
constexpr double kParishSpareKilometres = 5;

bool within_parish(const PlacedBlock& block, const std::vector<ParishMatch::Period>& periods) {
  const EarthPoint at = earth_point(block.latitude, block.longitude);
  return std::any_of(periods.begin(), periods.end(), [&](const ParishMatch::Period& period) {
    return kilometres_between(at, earth_point(period.latitude, period.longitude)) <= period.radius + kParishSpareKilometres;
  });
}

}  // namespace

Audit audit_coordinates(std::span<const PlacedBlock> blocks, std::string_view tree_start, Source* gazetteer,
                        std::string_view gazetteer_name, const std::function<void(std::size_t)>& progress) {
  const TreeEncoding encoding = tree_encoding(tree_start);
  const std::vector<PartRole> tree_form = read_place_form(decode(header_value(tree_start, "PLAC", "FORM"), encoding));
  std::vector<PlaceQuery> queries(blocks.size());
  std::transform(blocks.begin(), blocks.end(), queries.begin(), [&](const PlacedBlock& block) {
    return place_query(block.place_line, encoding,
                       block.form.empty() ? tree_form : read_place_form(decode(block.form, encoding)));
  });
  const WantedRows rows =
      gazetteer != nullptr ? rows_for(queries, *gazetteer, gazetteer_name, progress) : WantedRows({}, {}, {});
  Audit audit{.findings = {},
              .unchecked = 0,
              .passed_over = passed_over(rows, tree_start)};
  const ParishRegister& parishes = ParishRegister::built_in();
  const auto far_from = [&](std::size_t i, const GazetteerRow& place, double distance, const std::string& where) {
    audit.findings.push_back(
        {blocks[i].line, queries[i].text + " ligger " + std::to_string(std::lround(distance)) + " km från " +
                             place.name + " i " + where + " (" + std::string(source_of(place)) +
                             " " + place.id + ", " + place.latitude.gedcom('N', 'S') + " " +
                             place.longitude.gedcom('E', 'W') + ")" + likely_slip(blocks[i], place),
         queries[i].text, blocks[i].latitude, blocks[i].longitude, place.latitude.value(), place.longitude.value()});
  };
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const ParishMatch parish = parishes.match(parishes.read(queries[i].text, queries[i].roles));
    if (parish.places.size() == 1) {
      if (within_parish(blocks[i], parish.periods.front())) continue;
      const GazetteerRow& place = *parish.places.front();
      far_from(i, place, kilometres_between(blocks[i].latitude, blocks[i].longitude, place),
               place.parish_where.substr(0, place.parish_where.find(',')));
      continue;
    }
    if (gazetteer == nullptr) continue;
    const Resolution resolution = resolve_with_parishes(queries[i], rows, true);
    const auto [place, distance] = nearest_row(blocks[i].latitude, blocks[i].longitude, resolution.rows);
    if (distance <= kAuditKilometres) continue;
    // Only a place found where its line says it lies is checked: a
    // namesake outside the country or division the line names (an
    // emigrant's Umeå, Minnesota, against Umeå in Sweden) says nothing of
    // where the block's place lies.
    if (resolution.outcome != Resolution::resolved) {
      ++audit.unchecked;
      continue;
    }
    far_from(i, *place, distance, where_lies(*place, rows));
  }
  return audit;
}

}  // namespace platsmarkeraren
