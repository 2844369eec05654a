#include "gazetteer/resolve.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <numeric>
#include <optional>

namespace platsmarkeraren {

namespace {

constexpr double kEarthRadius = 6371.0;  // kilometres, the mean radius

// A point on the earth as a point in space, in kilometres from its centre:
// the straight line between two such points (the chord) grows with the
// distance along the surface, with no seam at the poles or at 180 degrees.
struct Point {
  double x;
  double y;
  double z;
};

Point point_of(const GazetteerRow& row) {
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double latitude = row.latitude.value() * kRadiansPerDegree;
  const double longitude = row.longitude.value() * kRadiansPerDegree;
  return {kEarthRadius * std::cos(latitude) * std::cos(longitude),
          kEarthRadius * std::cos(latitude) * std::sin(longitude), kEarthRadius * std::sin(latitude)};
}

double squared_chord(const Point& a, const Point& b) {
  const double x = a.x - b.x;
  const double y = a.y - b.y;
  const double z = a.z - b.z;
  return x * x + y * y + z * z;
}

// The chord of two points kSamePlaceKilometres apart along the surface.
const double kSamePlaceChord = 2 * kEarthRadius * std::sin(kSamePlaceKilometres / (2 * kEarthRadius));

using Counties = std::vector<std::uint32_t>;  // indices into the gazetteer's counties, sorted

// The counties the place names; none when it names no county, and an empty
// list when it names one the gazetteer does not hold.
std::optional<Counties> named_counties(const PlaceQuery& query, const WantedRows& gazetteer) {
  for (const CountyPart& part : query.county_parts) {
    Counties found;
    for (const std::string& key : part.keys) {
      for (const std::uint32_t county : gazetteer.counties_with_key(key)) {
        if (query.country.empty() || gazetteer.counties()[county].country == query.country) found.push_back(county);
      }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (!found.empty() || part.surely_county) return found;
  }
  return std::nullopt;
}

bool lies_in(const GazetteerRow& row, const PlaceQuery& query, const std::optional<Counties>& counties) {
  if (!query.country.empty() && row.country != query.country) return false;
  return !counties || std::binary_search(counties->begin(), counties->end(), row.county);
}

// Calls `each` with the rows of each of the name's keys, letter for letter
// before ASCII spellings, until it returns true; whether it did.
template <typename Each>
bool any_key(const PlaceQuery& query, const WantedRows& gazetteer, Each each) {
  return std::any_of(query.exact_forms.begin(), query.exact_forms.end(),
                     [&](const std::string& key) { return each(gazetteer.with_exact_key(key)); }) ||
         std::any_of(query.ascii_forms.begin(), query.ascii_forms.end(),
                     [&](const std::string& key) { return each(gazetteer.with_ascii_key(key)); });
}

// Rows joined into places, one to the next, by lying within
// kSamePlaceKilometres. A common name has thousands of rows, lying anyhow,
// so the points are put in cubes of space small enough that all the points
// in one lie that close (the cube's diagonal is the chord): a cube is one
// place at once, and only cubes up to two apart need their points compared.
class SamePlaces {
 public:
  explicit SamePlaces(const std::vector<const GazetteerRow*>& rows) : root_(rows.size()) {
    std::iota(root_.begin(), root_.end(), 0);
    points_.reserve(rows.size());
    for (const GazetteerRow* row : rows) points_.push_back(point_of(*row));
    fill_cubes();
    for (const Cube& cube : cubes_) join_neighbours(cube);
  }

  // The place of row `i`: the first row of it in the order given.
  std::size_t place_of(std::size_t i) {
    while (root_[i] != i) i = root_[i] = root_[root_[i]];
    return i;
  }

 private:
  struct Cube {
    std::int64_t at[3];
    std::size_t first;  // its points are members_[first, last)
    std::size_t last;
  };

  static std::int64_t cell(double kilometres) {
    static const double side = kSamePlaceChord / std::sqrt(3.0);
    return static_cast<std::int64_t>(std::floor(kilometres / side));
  }

  void join(std::size_t a, std::size_t b) {
    a = place_of(a);
    b = place_of(b);
    root_[std::max(a, b)] = std::min(a, b);
  }

  // Sorts the points by cube, joins each cube's points, and indexes the
  // cubes by where they stand.
  void fill_cubes() {
    members_.resize(points_.size());
    std::iota(members_.begin(), members_.end(), 0);
    std::vector<std::array<std::int64_t, 3>> at(points_.size());
    for (std::size_t i = 0; i < points_.size(); ++i) {
      at[i] = {cell(points_[i].x), cell(points_[i].y), cell(points_[i].z)};
    }
    std::sort(members_.begin(), members_.end(), [&](std::size_t a, std::size_t b) { return at[a] < at[b]; });
    for (std::size_t first = 0; first < members_.size();) {
      std::size_t last = first + 1;
      while (last < members_.size() && at[members_[last]] == at[members_[first]]) join(members_[first], members_[last++]);
      const std::array<std::int64_t, 3>& where = at[members_[first]];
      cubes_.push_back({{where[0], where[1], where[2]}, first, last});
      first = last;
    }
  }

  const Cube* cube_at(std::int64_t x, std::int64_t y, std::int64_t z) const {
    const auto found = std::lower_bound(cubes_.begin(), cubes_.end(), std::array<std::int64_t, 3>{x, y, z},
                                        [](const Cube& cube, const std::array<std::int64_t, 3>& where) {
                                          return std::array<std::int64_t, 3>{cube.at[0], cube.at[1], cube.at[2]} < where;
                                        });
    return found != cubes_.end() && found->at[0] == x && found->at[1] == y && found->at[2] == z ? &*found : nullptr;
  }

  // Joins the cube to each cube after it, within two, that holds a point
  // close enough to one of its own: each pair of cubes is seen once.
  void join_neighbours(const Cube& cube) {
    for (std::int64_t dx = -2; dx <= 2; ++dx) {
      for (std::int64_t dy = -2; dy <= 2; ++dy) {
        for (std::int64_t dz = -2; dz <= 2; ++dz) {
          if (std::array<std::int64_t, 3>{dx, dy, dz} <= std::array<std::int64_t, 3>{0, 0, 0}) continue;
          const Cube* other = cube_at(cube.at[0] + dx, cube.at[1] + dy, cube.at[2] + dz);
          if (other != nullptr) join_if_close(cube, *other);
        }
      }
    }
  }

  // Each cube is one place already: one close pair of points joins them.
  void join_if_close(const Cube& a, const Cube& b) {
    if (place_of(members_[a.first]) == place_of(members_[b.first])) return;
    const double most = kSamePlaceChord * kSamePlaceChord;
    for (std::size_t i = a.first; i < a.last; ++i) {
      for (std::size_t j = b.first; j < b.last; ++j) {
        if (squared_chord(points_[members_[i]], points_[members_[j]]) <= most) {
          join(members_[i], members_[j]);
          return;
        }
      }
    }
  }

  std::vector<std::size_t> root_;
  std::vector<Point> points_;
  std::vector<std::size_t> members_;  // the rows, cube by cube
  std::vector<Cube> cubes_;           // in order of where they stand
};

// The places among `rows`: one row of each, the most preferred kind, in
// file order.
std::vector<const GazetteerRow*> places_among(const std::vector<const GazetteerRow*>& rows) {
  SamePlaces places(rows);
  std::vector<const GazetteerRow*> chosen(rows.size(), nullptr);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const GazetteerRow*& best = chosen[places.place_of(i)];
    if (best == nullptr || rows[i]->kind < best->kind) best = rows[i];
  }
  std::erase(chosen, nullptr);
  return chosen;
}

}  // namespace

Resolution resolve(const PlaceQuery& query, const WantedRows& gazetteer) {
  const std::optional<Counties> counties = named_counties(query, gazetteer);
  Resolution resolution;
  std::vector<const GazetteerRow*> elsewhere;
  const bool named_here = any_key(query, gazetteer, [&](const std::vector<std::uint32_t>& named) {
    std::vector<const GazetteerRow*> inside;
    for (const std::uint32_t index : named) {
      const GazetteerRow& row = gazetteer.rows()[index];
      if (lies_in(row, query, counties)) {
        inside.push_back(&row);
      } else {
        elsewhere.push_back(&row);
      }
    }
    if (inside.empty()) return false;
    const auto municipality = [](const GazetteerRow* row) { return row->kind == PlaceKind::municipality; };
    if (!std::all_of(inside.begin(), inside.end(), municipality)) std::erase_if(inside, municipality);
    resolution.rows = places_among(inside);
    resolution.outcome = resolution.rows.size() == 1 ? Resolution::resolved : Resolution::ambiguous;
    return true;
  });
  if (!named_here) {
    resolution.rows = places_among(elsewhere);
    resolution.outside_county = !elsewhere.empty();
  }
  return resolution;
}

WantedRows rows_for(const std::vector<PlaceQuery>& queries, Source& gazetteer, std::string_view name,
                    const std::function<void(std::size_t)>& progress) {
  std::vector<std::string> exact_keys;
  std::vector<std::string> ascii_keys;
  std::vector<std::string> county_keys;
  for (const PlaceQuery& query : queries) {
    exact_keys.insert(exact_keys.end(), query.exact_forms.begin(), query.exact_forms.end());
    ascii_keys.insert(ascii_keys.end(), query.ascii_forms.begin(), query.ascii_forms.end());
    for (const CountyPart& part : query.county_parts) county_keys.insert(county_keys.end(), part.keys.begin(), part.keys.end());
  }
  WantedRows rows(exact_keys, ascii_keys, county_keys);
  rows.read(gazetteer, name, progress);
  return rows;
}

}  // namespace platsmarkeraren
