// Swedish counties (län) as genealogists name them: by today's letters or
// the historical ones, by today's names or those of counties since merged,
// in full ("Kopparbergs län") or short ("Kopparberg"). Every one of them is
// brought to the ASCII key of the county that covers it today, the key its
// gazetteer row is found by ("dalarna"). Countries are known by a few names
// too, so that "Sverige" keeps a place among the Swedish rows.
#pragma once

#include <string_view>

namespace platsmarkeraren {

// The county of a county letter such as "C", "ab" or "W"; empty when the
// text is none.
std::string_view county_of_letter(std::string_view text);

// A county's name, as an ASCII key, without a closing "lan" or "county":
// `name` as written, and `genitive_stem` without the s that comes before
// such a word ("kopparbergs lan" is "kopparbergs", then "kopparberg").
struct CountyForms {
  std::string_view name;
  std::string_view genitive_stem;  // empty when there is none
  bool says_county = false;        // the text said "lan" or "county"
};
CountyForms county_forms(std::string_view ascii_key);

// The county that covers a historical county today, by ASCII keys
// ("malmohus" is "skane"); `name` itself when it is none.
std::string_view todays_county(std::string_view name);

// The country code of a country named by an ASCII key ("sverige" is SE);
// empty when it is none known here.
std::string_view country_of(std::string_view ascii_key);

// The country whose county letters these are.
inline constexpr std::string_view kLetterCountry = "SE";

}  // namespace platsmarkeraren
