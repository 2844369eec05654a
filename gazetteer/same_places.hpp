// Rows that lie within a few kilometres of each other are one place,
// whatever their kinds (a parish, its church, its village); rows farther
// apart are different places.
#pragma once

#include <vector>

#include "gazetteer/gazetteer_rows.hpp"

namespace platsmarkeraren {

// How far apart two rows may lie and still be one place.
inline constexpr double kSamePlaceKilometres = 5.0;

// The places among `rows`: one row of each, the most preferred kind, in
// file order.
std::vector<const GazetteerRow*> places_among(const std::vector<const GazetteerRow*>& rows);

}  // namespace platsmarkeraren
