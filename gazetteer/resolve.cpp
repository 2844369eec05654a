#include "gazetteer/resolve.hpp"

#include <algorithm>
#include <iterator>

#include "gazetteer/country_rules.hpp"
#include "gazetteer/parish_register.hpp"
#include "gazetteer/place_name.hpp"
#include "gazetteer/readings.hpp"
#include "gazetteer/same_places.hpp"

namespace platsmarkeraren {

namespace {

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

}  // namespace

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
  const ParishText text = parishes.read(query.text, query.roles);
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

}  // namespace platsmarkeraren
