#include "gazetteer/resolve.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace platsmarkeraren {

namespace {

constexpr double kKilometresPerDegree = 111.2;

double kilometres(const GazetteerRow& a, const GazetteerRow& b) {
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double latitude = (a.latitude.value() + b.latitude.value()) / 2 * kRadiansPerDegree;
  const double north = a.latitude.value() - b.latitude.value();
  double east = std::abs(a.longitude.value() - b.longitude.value());
  if (east > 180) east = 360 - east;
  return kKilometresPerDegree * std::hypot(north, east * std::cos(latitude));
}

using Counties = std::vector<const County*>;

// The counties the place names; none when it names no county, and an empty
// list when it names one the gazetteer does not hold.
std::optional<Counties> named_counties(const PlaceQuery& query, const WantedRows& gazetteer) {
  for (const CountyPart& part : query.county_parts) {
    Counties found;
    for (const County& county : gazetteer.counties()) {
      if (!query.country.empty() && county.country != query.country) continue;
      const bool named = std::any_of(part.keys.begin(), part.keys.end(), [&](const std::string& key) {
        return std::find(county.keys.begin(), county.keys.end(), key) != county.keys.end();
      });
      if (named) found.push_back(&county);
    }
    if (!found.empty() || part.surely_county) return found;
  }
  return std::nullopt;
}

bool lies_in(const GazetteerRow& row, const PlaceQuery& query, const std::optional<Counties>& counties) {
  if (!query.country.empty() && row.country != query.country) return false;
  if (!counties) return true;
  return std::any_of(counties->begin(), counties->end(), [&](const County* county) {
    return county->country == row.country && county->admin1 == row.admin1;
  });
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

// The places among `rows`: rows joined, one to the next, by lying within
// a few kilometres. One row of each, the most preferred kind, in file order.
// A common name has thousands of rows, so only rows near in latitude are
// compared: those in order of latitude up to a few kilometres north.
std::vector<const GazetteerRow*> places_among(const std::vector<const GazetteerRow*>& rows) {
  std::vector<std::size_t> place(rows.size());
  std::iota(place.begin(), place.end(), 0);
  const auto root = [&](std::size_t i) {
    while (place[i] != i) i = place[i] = place[place[i]];
    return i;
  };
  std::vector<std::size_t> by_latitude = place;
  const auto latitude = [&](std::size_t i) { return rows[i]->latitude.value(); };
  std::sort(by_latitude.begin(), by_latitude.end(), [&](std::size_t a, std::size_t b) { return latitude(a) < latitude(b); });
  for (std::size_t n = 0; n < by_latitude.size(); ++n) {
    const std::size_t i = by_latitude[n];
    for (std::size_t m = n + 1; m < by_latitude.size(); ++m) {
      const std::size_t j = by_latitude[m];
      if ((latitude(j) - latitude(i)) * kKilometresPerDegree > kSamePlaceKilometres) break;
      if (kilometres(*rows[i], *rows[j]) <= kSamePlaceKilometres) {
        const std::size_t a = root(i);
        const std::size_t b = root(j);
        place[std::max(a, b)] = std::min(a, b);
      }
    }
  }
  std::vector<const GazetteerRow*> chosen(rows.size(), nullptr);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const GazetteerRow*& best = chosen[root(i)];
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

}  // namespace platsmarkeraren
