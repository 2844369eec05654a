// What a place line asks of the gazetteer. Swedish genealogists write a
// place as parts separated by commas: the first names the place, perhaps
// with a parish word and a county letter in parentheses ("Älvkarleby sn
// (C)"); later parts may name its county and its country, or something
// else that is passed over (a province, a hundred).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gazetteer/tree_encoding.hpp"

namespace platsmarkeraren {

// A part of the place that may name a county: its ASCII keys, most
// literal first, each already brought to today's county.
struct CountyPart {
  std::vector<std::string> keys;
  // A county letter, a county's old name, or "län": the part is a county
  // even when no gazetteer row bears its name.
  bool surely_county = false;
};

struct PlaceQuery {
  // The name's keys in the order they are tried: the exact forms (see
  // key_forms), then their ASCII keys.
  std::vector<std::string> exact_forms;
  std::vector<std::string> ascii_forms;
  std::vector<CountyPart> county_parts;  // in the order written
  std::string country;                   // a country code, or empty
  std::string shown;                     // the place's text in UTF-8, for notes
};

// The query of a place line's text (without its line end), whose bytes are
// in `encoding`.
PlaceQuery place_query(std::string_view place_line, TreeEncoding encoding);

}  // namespace platsmarkeraren
