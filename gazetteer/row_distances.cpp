#include "gazetteer/row_distances.hpp"

namespace platsmarkeraren {

double kilometres_between(double latitude, double longitude, const GazetteerRow& row) {
  return platsmarkeraren::kilometres_between(earth_point(latitude, longitude), point_of(row));
}

double kilometres_between(const GazetteerRow& a, const GazetteerRow& b) {
  return kilometres_between(a.latitude.value(), a.longitude.value(), b);
}

NearestRow nearest_row(double latitude, double longitude, std::span<const GazetteerRow* const> rows) {
  NearestRow nearest;
  for (const GazetteerRow* row : rows) {
    const double distance = kilometres_between(latitude, longitude, *row);
    if (distance < nearest.kilometres) nearest = {row, distance};
  }
  return nearest;
}

}  // namespace platsmarkeraren
