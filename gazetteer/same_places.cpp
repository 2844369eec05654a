#include "gazetteer/same_places.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "gazetteer/row_distances.hpp"

namespace platsmarkeraren {

namespace {

const double kSamePlaceChord = chord_of(kSamePlaceKilometres);

// Rows joined into places, one to the next, by lying within
// kSamePlaceKilometres. A common name has thousands of rows, lying anyhow,
// so the points are put in cubes of space small enough that all the points
// in one lie that close (the cube's diagonal is the chord): a cube is one
// place at once, and only cubes up to two apart need their points compared.
class SamePlaces {
 public:
  explicit SamePlaces(const std::vector<const GazetteerRow*>& rows) : root_(rows.size()) {
    std::iota(root_.begin(), root_.end(), 0);
    points_.resize(rows.size());
    std::transform(rows.begin(), rows.end(), points_.begin(), [](const GazetteerRow* row) { return point_of(*row); });
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
  std::vector<EarthPoint> points_;
  std::vector<std::size_t> members_;  // the rows, cube by cube
  std::vector<Cube> cubes_;           // in order of where they stand
};


}  // namespace

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

}  // namespace platsmarkeraren
