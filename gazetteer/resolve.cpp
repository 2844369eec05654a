#include "gazetteer/resolve.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <numeric>
#include <iterator>
#include <optional>

#include "core/earth.hpp"
#include "gazetteer/country_rules.hpp"
#include "gazetteer/parish_register.hpp"
#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

namespace {

EarthPoint point_of(const GazetteerRow& row) { return earth_point(row.latitude.value(), row.longitude.value()); }

const double kSamePlaceChord = chord_of(kSamePlaceKilometres);

// One reading of a place's later parts: the country and divisions they
// name, and the places it lies near.
struct Reading {
  std::string country;                    // empty for any
  std::uint32_t county = kNoDivision;     // the first level
  std::uint32_t district = kNoDivision;   // the second level
  std::vector<const GazetteerRow*> near;  // empty for none
  bool lost = false;  // a part surely named a division the gazetteer lacks

  bool operator==(const Reading&) const = default;
};

// Rows gathered from several readings, each once, in the gazetteer's
// order: sorted and made unique at the end, so that a name of many rows
// costs its rows' number times its logarithm, not their number squared.
void keep_each_once(std::vector<const GazetteerRow*>& rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

void append(std::vector<const GazetteerRow*>& rows, const std::vector<const GazetteerRow*>& more) {
  rows.insert(rows.end(), more.begin(), more.end());
}

// Readings beyond these are not tried: no place is written in so many ways.
constexpr std::size_t kMostReadings = 24;

// The reading with `division` added, when the two agree: a country the
// reading names no other, a first-level division it names no other and
// within whose bounds a second-level one it names lies.
std::optional<Reading> with_division(const Reading& reading, std::uint32_t index, const WantedRows& gazetteer) {
  const std::vector<Division>& divisions = gazetteer.divisions();
  const Division& division = divisions[index];
  if (!reading.country.empty() && reading.country != division.country) return std::nullopt;
  Reading added = reading;
  added.country = division.country;
  if (division.level == 1) {
    if (reading.county != kNoDivision && reading.county != index) return std::nullopt;
    if (reading.district != kNoDivision && divisions[reading.district].admin1 != division.admin1) return std::nullopt;
    added.county = index;
  } else if (division.level == 2) {
    if (reading.district != kNoDivision && reading.district != index) return std::nullopt;
    if (reading.county != kNoDivision && divisions[reading.county].admin1 != division.admin1) return std::nullopt;
    added.district = index;
  }
  return added;
}

bool lies_in(const GazetteerRow& row, const Reading& reading) {
  if (!reading.country.empty() && row.country != reading.country) return false;
  if (reading.county != kNoDivision && row.county != reading.county) return false;
  if (reading.district != kNoDivision && row.district != reading.district) return false;
  return reading.near.empty() || std::any_of(reading.near.begin(), reading.near.end(), [&](const GazetteerRow* place) {
           return kilometres_between(row, *place) <= kNearKilometres;
         });
}

// The places of the gazetteer that `part` names, within the reading.
std::vector<const GazetteerRow*> places_named(const PlacePart& part, const Reading& reading, const WantedRows& gazetteer) {
  std::vector<const GazetteerRow*> found;
  for (const std::string& key : part.place_keys) {
    for (const std::uint32_t index : gazetteer.with_ascii_key(key)) {
      const GazetteerRow& row = gazetteer.rows()[index];
      if (row.kind != PlaceKind::municipality && lies_in(row, reading)) found.push_back(&row);
    }
    if (!found.empty()) break;
  }
  return found;
}

// Calls `each` with every division the part may name.
template <typename Each>
void for_each_division(const PlacePart& part, const WantedRows& gazetteer, Each each) {
  for (const std::string& key : part.division_keys) {
    for (const std::uint32_t index : gazetteer.divisions_with_key(key)) each(index);
  }
  for (const std::string& key : part.first_level_keys) {
    for (const std::uint32_t index : gazetteer.divisions_with_key(key)) {
      if (gazetteer.divisions()[index].level == 1) each(index);
    }
  }
}

// Every way of reading `part` within `reading`: as a country, a division,
// or, when it is neither, a place it lies near.
void read_part(const PlacePart& part, const Reading& reading, const WantedRows& gazetteer, std::vector<Reading>& out) {
  const std::size_t before = out.size();
  const auto add = [&](Reading added) {
    if (std::find(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(), added) == out.end()) {
      out.push_back(std::move(added));
    }
  };
  for (const std::string& country : part.countries) {
    if (reading.country.empty() || reading.country == country) {
      Reading added = reading;
      added.country = country;
      add(std::move(added));
    }
  }
  for_each_division(part, gazetteer, [&](std::uint32_t index) {
    if (std::optional<Reading> added = with_division(reading, index, gazetteer)) add(std::move(*added));
  });
  if (out.size() > before) return;
  std::vector<const GazetteerRow*> near = reading.near.empty() ? places_named(part, reading, gazetteer)
                                                               : std::vector<const GazetteerRow*>();
  Reading kept = reading;
  if (!near.empty()) {
    kept.near = std::move(near);
  } else if (part.surely_division) {
    kept.lost = true;
  }
  add(std::move(kept));
}

// The readings of the parts after the name, read from the end: the
// country, then the divisions, each within the one before.
std::vector<Reading> readings_of(const PlaceQuery& query, const WantedRows& gazetteer) {
  std::vector<Reading> readings(1);
  for (auto part = query.parts.rbegin(); part != query.parts.rend(); ++part) {
    std::vector<Reading> next;
    for (const Reading& reading : readings) read_part(*part, reading, gazetteer, next);
    if (next.size() > kMostReadings) next.resize(kMostReadings);
    readings = std::move(next);
  }
  return readings;
}

// Whether the name itself, read as plainly as a division, names one that
// the reading does not name yet: a place line that is only a state.
bool names_only_a_division(const PlaceQuery& query, const Reading& reading, const WantedRows& gazetteer) {
  bool named = false;
  for_each_division(query.as_division, gazetteer, [&](std::uint32_t index) {
    const Division& division = gazetteer.divisions()[index];
    const bool unnamed = division.level == 0   ? reading.country.empty()
                         : division.level == 1 ? reading.county == kNoDivision
                                               : reading.district == kNoDivision;
    named = named || (unnamed && with_division(reading, index, gazetteer));
  });
  return named;
}

// Whether the name is a country's, one the reading does not name yet.
bool names_a_country(const PlaceQuery& query, const Reading& reading) {
  return std::any_of(query.as_division.countries.begin(), query.as_division.countries.end(),
                     [&](const std::string& country) { return reading.country.empty() || reading.country == country; });
}

// Calls `each` with the rows of each of the name's keys, the key and
// whether it is an ASCII key, letter for letter before ASCII spellings,
// until it returns true; whether it did.
template <typename Each>
bool any_key(const PlaceQuery& query, const WantedRows& gazetteer, Each each) {
  return std::any_of(query.exact_forms.begin(), query.exact_forms.end(),
                     [&](const std::string& key) { return each(gazetteer.with_exact_key(key), key, false); }) ||
         std::any_of(query.ascii_forms.begin(), query.ascii_forms.end(),
                     [&](const std::string& key) { return each(gazetteer.with_ascii_key(key), key, true); });
}

// Whether `key` is one of the keys of the row's own name, not only of one
// of its alternate names (an old name, a name in another language).
bool named_so(const GazetteerRow& row, const std::string& key, bool ascii) {
  std::string exact;
  std::string folded;
  for (const std::string& name : {row.name, row.ascii_name}) {
    exact_key(name, exact);
    const KeyForms forms = key_forms(exact);
    for (int i = 0; i < forms.count; ++i) {
      if (!ascii && forms.forms[i] == key) return true;
      ascii_key(forms.forms[i], folded);
      if (ascii && folded == key) return true;
    }
  }
  return false;
}

// The rows the name may be within the reading: those of the first of its
// keys that has rows there, and of those the rows of that name, where
// there are any, before the rows that have it only as an alternate name.
// Municipalities count only where the country's rules make them places and
// no row of another kind matches any form of the name.
std::vector<const GazetteerRow*> candidates(const PlaceQuery& query, const Reading& reading, const WantedRows& gazetteer) {
  std::vector<const GazetteerRow*> municipalities;
  std::vector<const GazetteerRow*> places;
  const auto take = [&](const std::vector<std::uint32_t>& named, const std::string& key, bool ascii) {
    for (const std::uint32_t index : named) {
      const GazetteerRow& row = gazetteer.rows()[index];
      if (!lies_in(row, reading)) continue;
      if (row.kind != PlaceKind::municipality) {
        places.push_back(&row);
      } else if (municipalities.empty() && country_rules(row.country).municipalities_are_places()) {
        municipalities.push_back(&row);
      }
    }
    if (places.empty()) return false;
    std::vector<const GazetteerRow*> own;
    std::copy_if(places.begin(), places.end(), std::back_inserter(own),
                 [&](const GazetteerRow* row) { return named_so(*row, key, ascii); });
    if (!own.empty()) places = std::move(own);
    return true;
  };
  return any_key(query, gazetteer, take) ? places : municipalities;
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

double kilometres_between(double latitude, double longitude, const GazetteerRow& row) {
  // The arc over the chord: the one measure that also joins rows into
  // places (see SamePlaces).
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

std::string where_lies(const GazetteerRow& row, const WantedRows& gazetteer) {
  std::string where;
  for (const std::uint32_t division : {row.district, row.county}) {
    if (division == kNoDivision) continue;
    if (!where.empty()) where += ", ";
    where += gazetteer.divisions()[division].name;
  }
  return where.empty() ? row.country : where;
}

Resolution resolve(const PlaceQuery& query, const WantedRows& gazetteer) {
  const std::vector<Reading> readings = readings_of(query, gazetteer);
  Resolution resolution;
  for (const Reading& reading : readings) append(resolution.near, reading.near);
  keep_each_once(resolution.near);
  std::vector<const GazetteerRow*> rows;
  for (const Reading& reading : readings) {
    if (reading.lost) continue;
    if (names_a_country(query, reading)) resolution.outcome = Resolution::only_division;
    append(rows, candidates(query, reading, gazetteer));
  }
  if (resolution.outcome == Resolution::only_division) return resolution;
  if (!rows.empty()) {
    keep_each_once(rows);
    resolution.rows = places_among(rows);
    resolution.outcome = resolution.rows.size() == 1 ? Resolution::resolved : Resolution::ambiguous;
    return resolution;
  }
  if (std::any_of(readings.begin(), readings.end(), [&](const Reading& reading) {
        return !reading.lost && names_only_a_division(query, reading, gazetteer);
      })) {
    resolution.outcome = Resolution::only_division;
    return resolution;
  }
  // Unknown where the place says it lies: where else the name is found,
  // looked for ever more widely (without the place it lies near and its
  // second-level division, then its first-level one, then its country), so
  // that the next county's place is listed before those abroad.
  std::vector<const GazetteerRow*> elsewhere;
  for (int widened = 1; widened <= 3 && elsewhere.empty(); ++widened) {
    for (Reading reading : readings) {
      reading.lost = false;
      reading.near.clear();
      reading.district = kNoDivision;
      if (widened >= 2) reading.county = kNoDivision;
      if (widened >= 3) reading.country.clear();
      append(elsewhere, candidates(query, reading, gazetteer));
    }
  }
  keep_each_once(elsewhere);
  resolution.rows = places_among(elsewhere);
  resolution.outside_county = !elsewhere.empty();
  return resolution;
}

namespace {

// The gazetteer's answer for a text that says it lies in Sweden, without
// what lies in other countries.
void keep_in_sweden(const ParishText& text, Resolution& found) {
  if (found.outcome == Resolution::only_division) return;
  const bool county_given = !text.county_letters.empty() || !text.county_keys.empty();
  const auto abroad = [&](const GazetteerRow* row) {
    return row->country != "SE" && (county_given || !text.parish_word || row->country != "FI");
  };
  std::erase_if(found.rows, abroad);
  if (found.outcome == Resolution::unknown) {
    found.outside_county = !found.rows.empty();
  } else if (found.rows.empty()) {
    found.outcome = Resolution::unknown;
  } else if (found.rows.size() == 1) {
    found.outcome = Resolution::resolved;
  }
}

}  // namespace

Resolution resolve_with_parishes(const PlaceQuery& query, const WantedRows& gazetteer, bool with_gazetteer) {
  if (query.names_only_division) {
    Resolution division;
    division.outcome = Resolution::only_division;
    return division;
  }
  const ParishRegister& parishes = ParishRegister::built_in();
  const ParishText text = parishes.read(query.shown, query.roles);
  const ParishMatch match = parishes.match(text);
  Resolution found = with_gazetteer ? resolve(query, gazetteer) : Resolution{};
  if (!match.places.empty()) {
    Resolution chosen;
    chosen.rows = match.places;
    const bool gazetteer_places = found.outcome == Resolution::resolved || found.outcome == Resolution::ambiguous;
    if (!text.swedish && gazetteer_places) {
      std::copy_if(found.rows.begin(), found.rows.end(), std::back_inserter(chosen.rows),
                   [](const GazetteerRow* row) { return row->country != "SE"; });
    }
    chosen.outcome = chosen.rows.size() == 1 ? Resolution::resolved : Resolution::ambiguous;
    return chosen;
  }
  found.without_gazetteer = !with_gazetteer;
  // Without a gazetteer's division rows, a country or a county named alone
  // is told by its name.
  if (!with_gazetteer && (query.as_division.surely_division || !query.as_division.countries.empty())) {
    found.outcome = Resolution::only_division;
  }
  if (text.swedish) keep_in_sweden(text, found);
  return found;
}

WantedRows rows_for(const std::vector<PlaceQuery>& queries, Source& gazetteer, std::string_view name,
                    const std::function<void(std::size_t)>& progress) {
  std::vector<std::string> exact_keys;
  std::vector<std::string> ascii_keys;
  std::vector<std::string> division_keys;
  for (const PlaceQuery& query : queries) {
    exact_keys.insert(exact_keys.end(), query.exact_forms.begin(), query.exact_forms.end());
    ascii_keys.insert(ascii_keys.end(), query.ascii_forms.begin(), query.ascii_forms.end());
    for (const PlacePart& part : query.parts) {
      division_keys.insert(division_keys.end(), part.division_keys.begin(), part.division_keys.end());
      division_keys.insert(division_keys.end(), part.first_level_keys.begin(), part.first_level_keys.end());
      ascii_keys.insert(ascii_keys.end(), part.place_keys.begin(), part.place_keys.end());
    }
    const PlacePart& whole = query.as_division;
    division_keys.insert(division_keys.end(), whole.division_keys.begin(), whole.division_keys.end());
    division_keys.insert(division_keys.end(), whole.first_level_keys.begin(), whole.first_level_keys.end());
  }
  WantedRows rows(exact_keys, ascii_keys, division_keys);
  rows.read(gazetteer, name, progress);
  return rows;
}

}  // namespace platsmarkeraren
