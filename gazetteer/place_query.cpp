#include "gazetteer/place_query.hpp"

#include <algorithm>

#include "gazetteer/counties.hpp"
#include "gazetteer/place_name.hpp"
#include "merge/line.hpp"

namespace platsmarkeraren {

namespace {

// No place names more divisions than this after its own name.
constexpr std::size_t kPartsRead = 8;

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string ascii_of(std::string_view utf8) {
  std::string ascii;
  std::string exact;
  ascii_name_key(utf8, ascii, exact);
  return ascii;
}

void add_key(CountyPart& part, std::string_view key) {
  if (key.empty()) return;
  const std::string today(todays_county(key));
  if (today != key) part.surely_county = true;
  if (std::find(part.keys.begin(), part.keys.end(), today) == part.keys.end()) part.keys.push_back(today);
}

// What a part other than the name tells: a country, or perhaps a county.
void read_part(std::string_view part, PlaceQuery& query) {
  const std::string_view letter_county = county_of_letter(part);
  if (!letter_county.empty()) {
    query.country = kLetterCountry;
    query.county_parts.push_back({{std::string(letter_county)}, true});
    return;
  }
  const std::string key = ascii_of(part);
  const std::string_view country = country_of(key);
  if (!country.empty()) {
    query.country = country;
    return;
  }
  const CountyForms forms = county_forms(key);
  CountyPart county{{}, forms.says_county};
  add_key(county, forms.name);
  add_key(county, forms.genitive_stem);
  if (!county.keys.empty()) query.county_parts.push_back(std::move(county));
}

// The comma before the first of the parts read: the county and the country
// close a place, and a text of thousands of parts would cost as many
// look-ups, so only the last kPartsRead are read. `comma` is the first.
std::size_t first_part_read(std::string_view text, std::size_t comma) {
  if (comma == std::string_view::npos) return comma;
  std::size_t from = text.size();
  for (std::size_t parts = 0; parts < kPartsRead && from != comma; ++parts) from = text.rfind(',', from - 1);
  return from;
}

void add_name_forms(std::string_view name, PlaceQuery& query) {
  std::string exact;
  exact_key(name, exact);
  const KeyForms forms = key_forms(exact);
  std::string ascii;
  for (int i = 0; i < forms.count; ++i) query.exact_forms.emplace_back(forms.forms[i]);
  for (int i = 0; i < forms.count; ++i) {
    ascii_key(forms.forms[i], ascii);
    query.ascii_forms.push_back(ascii);
  }
}

}  // namespace

PlaceQuery place_query(std::string_view place_line, TreeEncoding encoding) {
  PlaceQuery query;
  const std::size_t marker = place_line.find(kPlaceMarker);
  const std::string_view value = marker == std::string_view::npos ? place_line
                                                                  : place_line.substr(marker + kPlaceMarker.size());
  query.shown = decode(value, encoding);
  const std::string_view text = query.shown;
  const std::size_t comma = text.find(',');
  std::string_view name = text.substr(0, comma);
  // "Älvkarleby (C)": the parentheses name the county.
  const std::size_t open = name.find('(');
  const std::size_t close = open == std::string_view::npos ? open : name.find(')', open);
  if (close != std::string_view::npos) {
    read_part(trimmed(name.substr(open + 1, close - open - 1)), query);
    name = name.substr(0, open);
  }
  if (!trimmed(name).empty()) add_name_forms(trimmed(name), query);
  for (std::size_t from = first_part_read(text, comma); from != std::string_view::npos;) {
    const std::size_t next = text.find(',', from + 1);
    const std::string_view part = trimmed(text.substr(from + 1, next == std::string_view::npos ? next : next - from - 1));
    if (!part.empty()) read_part(part, query);
    from = next;
  }
  return query;
}

}  // namespace platsmarkeraren
