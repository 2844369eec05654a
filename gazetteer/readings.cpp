#include "gazetteer/readings.hpp"

#include <algorithm>
#include <optional>

#include "gazetteer/row_distances.hpp"

namespace platsmarkeraren {

namespace {

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

}  // namespace

bool lies_in(const GazetteerRow& row, const Reading& reading) {
  if (!reading.country.empty() && row.country != reading.country) return false;
  if (reading.county != kNoDivision && row.county != reading.county) return false;
  if (reading.district != kNoDivision && row.district != reading.district) return false;
  return reading.near.empty() || std::any_of(reading.near.begin(), reading.near.end(), [&](const GazetteerRow* place) {
           return kilometres_between(row, *place) <= kNearKilometres;
         });
}

namespace {

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
void add_readings(const PlacePart& part, const Reading& reading, const WantedRows& gazetteer, std::vector<Reading>& out) {
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

}  // namespace

// The readings of the parts after the name, read from the end: the
// country, then the divisions, each within the one before.
std::vector<Reading> readings_of(const PlaceQuery& query, const WantedRows& gazetteer) {
  std::vector<Reading> readings(1);
  for (auto part = query.parts.rbegin(); part != query.parts.rend(); ++part) {
    std::vector<Reading> next;
    for (const Reading& reading : readings) add_readings(*part, reading, gazetteer, next);
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

}  // namespace platsmarkeraren
