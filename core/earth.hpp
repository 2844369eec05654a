// Distances on the earth, on a sphere of its mean radius. A point on the
// earth is taken as a point in space, in kilometres from its centre: the
// straight line between two such points (the chord) grows with the
// distance along the surface, with no seam at the poles or at 180 degrees,
// so places are compared by chords and only a distance shown is turned
// into the arc over it.
#pragma once

#include <algorithm>
#include <cmath>

namespace platsmarkeraren {

inline constexpr double kEarthRadius = 6371.0;  // kilometres, the mean radius

struct EarthPoint {
  double x;
  double y;
  double z;
};

inline EarthPoint earth_point(double latitude_degrees, double longitude_degrees) {
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double latitude = latitude_degrees * kRadiansPerDegree;
  const double longitude = longitude_degrees * kRadiansPerDegree;
  return {kEarthRadius * std::cos(latitude) * std::cos(longitude),
          kEarthRadius * std::cos(latitude) * std::sin(longitude), kEarthRadius * std::sin(latitude)};
}

inline double squared_chord(const EarthPoint& a, const EarthPoint& b) {
  const double x = a.x - b.x;
  const double y = a.y - b.y;
  const double z = a.z - b.z;
  return x * x + y * y + z * z;
}

// The chord of two points `kilometres` apart along the surface.
inline double chord_of(double kilometres) { return 2 * kEarthRadius * std::sin(kilometres / (2 * kEarthRadius)); }

// The distance along the surface between the two points.
inline double kilometres_between(const EarthPoint& a, const EarthPoint& b) {
  const double chord = std::sqrt(squared_chord(a, b));
  return 2 * kEarthRadius * std::asin(std::min(1.0, chord / (2 * kEarthRadius)));
}

}  // namespace platsmarkeraren
