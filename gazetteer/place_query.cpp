#include "gazetteer/place_query.hpp"

#include <algorithm>
#include <iterator>

#include "gazetteer/country_rules.hpp"
#include "gazetteer/place_form.hpp"
#include "gazetteer/place_name.hpp"
#include "core/gedcom_line.hpp"
#include "core/line.hpp"

namespace platsmarkeraren {

namespace {

// No place names more divisions than this after its own name.
constexpr std::size_t kPartsRead = 8;

std::string ascii_of(std::string_view utf8) {
  std::string ascii;
  std::string exact;
  ascii_name_key(utf8, ascii, exact);
  return ascii;
}

// Two letters may be any country's ISO code ("DE", "NO").
bool may_be_country_code(std::string_view key) {
  return key.size() == 2 && std::all_of(key.begin(), key.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

std::string upper(std::string_view key) {
  std::string code(key.size(), ' ');
  std::transform(key.begin(), key.end(), code.begin(), [](char c) { return static_cast<char>(c - 'a' + 'A'); });
  return code;
}

// A county letter in parentheses: "Älvkarleby (C)".
PlacePart letter_part(std::string_view text) {
  PlacePart part;
  const std::string key = ascii_of(text);
  for (const CountryRules* rules : all_country_rules()) {
    const std::string_view division = rules->division_of_letter(key);
    if (division.empty()) continue;
    add_key_once(part.first_level_keys, division);
    part.surely_division = true;
  }
  return part;
}

// Every way a part may be read: as a country by its name or code, as a
// division by its name (with or without its word) or by another name a
// country's rules know it by, as a place.
PlacePart every_reading(std::string_view text, bool first) {
  PlacePart part;
  const std::string key = ascii_of(text);
  add_key_once(part.countries, country_of_name(key));
  if (!first && may_be_country_code(key)) add_key_once(part.countries, upper(key));
  const DivisionForms forms = division_forms(key);
  part.surely_division = forms.said_division;
  for (const std::string& form : forms.keys) {
    for (const CountryRules* rules : all_country_rules()) {
      // As a place's first part, only what plainly names a division counts:
      // a division word, or a name that a country's rules say is one alone.
      const bool alone = rules->names_division_alone(form);
      if (first && !forms.said_division && !alone) continue;
      const std::vector<std::string_view> names = rules->division_names(form);
      for (const std::string_view name : names) add_key_once(part.first_level_keys, name);
      part.surely_division = part.surely_division || !names.empty();
      if (first && !forms.said_division) add_key_once(part.first_level_keys, form);
    }
    if (!first || forms.said_division) add_key_once(part.division_keys, form);
  }
  if (first) return part;
  std::string exact;
  exact_key(text, exact);
  const KeyForms names = key_forms(exact);
  std::string ascii;
  for (int i = 0; i < names.count; ++i) {
    ascii_key(names.forms[i], ascii);
    add_key_once(part.place_keys, ascii);
  }
  return part;
}

// The readings of a later part that its role in the tree's form allows.
PlacePart part_read_as(std::string_view text, PartRole role) {
  PlacePart part = every_reading(text, false);
  if (role == PartRole::unknown) return part;
  if (names_place(role)) {
    part.countries.clear();
    part.division_keys.clear();
    part.first_level_keys.clear();
    part.surely_division = false;
    return part;
  }
  part.place_keys.clear();
  if (role == PartRole::country) {
    part.division_keys.clear();
    part.first_level_keys.clear();
  } else {
    part.countries.clear();
  }
  // A country or county that the gazetteer lacks leaves the place unknown;
  // a municipality or a province it lacks is passed over.
  part.surely_division = role == PartRole::country || role == PartRole::county;
  return part;
}

// A name spelled as Danish, Norwegian, German and Finnish write their
// letters without them (Koebenhavn, Muenchen, Aabenraa), as its ASCII key
// spells the letters themselves (ø, ü, å as o, u, a); empty when it holds
// no such pair of letters.
std::string without_spelled_letters(std::string_view ascii) {
  constexpr std::string_view kPairs[] = {"ae", "oe", "ue", "aa"};
  std::string folded;
  bool changed = false;
  for (std::size_t at = 0; at < ascii.size(); ++at) {
    folded += ascii[at];
    const std::string_view pair = ascii.substr(at, 2);
    if (std::find(std::begin(kPairs), std::end(kPairs), pair) != std::end(kPairs)) {
      ++at;
      changed = true;
    }
  }
  return changed ? folded : std::string();
}

void add_name_forms(std::string_view name, PlaceQuery& query) {
  std::string exact;
  exact_key(name, exact);
  const KeyForms forms = key_forms(exact);
  std::string ascii;
  for (int i = 0; i < forms.count; ++i) query.exact_forms.emplace_back(forms.forms[i]);
  for (int i = 0; i < forms.count; ++i) {
    ascii_key(forms.forms[i], ascii);
    add_key_once(query.ascii_forms, ascii);
  }
  // Tried last, where no letter-for-letter spelling is found.
  for (int i = 0; i < forms.count; ++i) {
    ascii_key(forms.forms[i], ascii);
    add_key_once(query.ascii_forms, without_spelled_letters(ascii));
  }
}

}  // namespace

PlaceQuery place_query(std::string_view place_line, TreeEncoding encoding, std::span<const PartRole> form) {
  PlaceQuery query;
  query.text = decode(place_value(place_line), encoding);
  const std::vector<std::string_view> parts = comma_parts(query.text);
  if (form.size() == parts.size()) query.roles.assign(form.begin(), form.end());
  const auto role = [&](std::size_t part) { return query.roles.empty() ? PartRole::unknown : query.roles[part]; };
  std::string_view name = parts.front();
  // "Älvkarleby (C)": the parentheses name the county.
  const std::size_t open = name.find('(');
  const std::size_t close = open == std::string_view::npos ? open : name.find(')', open);
  if (close != std::string_view::npos) {
    PlacePart letter = letter_part(trimmed(name.substr(open + 1, close - open - 1)));
    if (!letter.first_level_keys.empty()) query.parts.push_back(std::move(letter));
    name = trimmed(name.substr(0, open));
  }
  if (!name.empty()) {
    add_name_forms(name, query);
    query.as_division = every_reading(name, true);
  }
  // An empty first part: the text names only where a place would lie.
  query.names_only_division = names_division(role(0)) ||
                              (parts.front().empty() && std::any_of(parts.begin() + 1, parts.end(),
                                                                    [](std::string_view part) { return !part.empty(); }));
  // The county and the country close a place, and a text of thousands of
  // parts would cost as many look-ups, so only the last kPartsRead are read.
  for (std::size_t at = parts.size() > kPartsRead ? parts.size() - kPartsRead : 1; at < parts.size(); ++at) {
    if (parts[at].empty() || role(at) == PartRole::hundred) continue;
    query.parts.push_back(part_read_as(parts[at], role(at)));
  }
  return query;
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
