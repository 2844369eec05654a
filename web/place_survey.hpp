// The tree's places as the page draws them: each place the tree names, once,
// at the coordinates its twin's block gives. A place put on the wrong side
// of the globe, or with its latitude and longitude swapped, then stands far
// from the rest.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/stream.hpp"

namespace platsmarkeraren {

class CoordinateIndex;

struct PlacePoint {
  std::string place;  // the place line's value, in UTF-8
  double latitude;    // degrees north; south is negative
  double longitude;   // degrees east; west is negative
};

struct PlaceSurvey {
  std::vector<PlacePoint> points;  // in the order the tree first names them
  // Places with no twin, or whose block has no LATI and LONG in GEDCOM's form.
  std::size_t without_coordinates = 0;
};

PlaceSurvey survey_places(Source& genealogy, const CoordinateIndex& index);

}  // namespace platsmarkeraren
