// Distances between a gazetteer's rows and points, all measured one way:
// the arc over the chord on a sphere of the earth's mean radius, the one
// measure that also joins rows into places (see same_places.hpp).
#pragma once

#include <cmath>
#include <span>

#include "core/earth.hpp"
#include "gazetteer/gazetteer_rows.hpp"

namespace platsmarkeraren {

inline EarthPoint point_of(const GazetteerRow& row) { return earth_point(row.latitude.value(), row.longitude.value()); }

double kilometres_between(double latitude, double longitude, const GazetteerRow& row);
double kilometres_between(const GazetteerRow& a, const GazetteerRow& b);

// The first of `rows` that lies nearest to a point, and how far; no row,
// and an infinite distance, when there are none.
struct NearestRow {
  const GazetteerRow* row = nullptr;
  double kilometres = HUGE_VAL;
};
NearestRow nearest_row(double latitude, double longitude, std::span<const GazetteerRow* const> rows);

}  // namespace platsmarkeraren
