// What a place line asks of the gazetteer. Genealogists write a place as
// parts separated by commas: the first names the place, perhaps with a
// parish word and a county letter in parentheses ("Älvkarleby sn (C)");
// the later ones name, from the end, its country, its first- and
// second-level divisions, or a place it lies near (the parish of a farm),
// or something else that is passed over. Where the tree's form says what a
// part names, it is read only as that. A part may read several ways
// ("CA" is California and Canada); each reading is kept, and the gazetteer
// tells which lead anywhere.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/tree_encoding.hpp"
#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/place_form.hpp"

namespace platsmarkeraren {

// Every way one part may be read.
struct PlacePart {
  // The codes of the countries it may name.
  std::vector<std::string> countries;
  // The ASCII keys of the divisions (or countries) it may name, as the
  // gazetteer's division rows are found by; and those that may name only a
  // first-level division, the names a country's rules give a code, an
  // abbreviation or an old name ("tx" is Texas, never Texas County).
  std::vector<std::string> division_keys;
  std::vector<std::string> first_level_keys;
  // A division word, a county letter or an old name: the part names a
  // division even where the gazetteer has none of that name.
  bool surely_division = false;
  // The ASCII keys it has as a place's name, for a place it lies near.
  std::vector<std::string> place_keys;
};

struct PlaceQuery {
  // The name's keys in the order they are tried: the exact forms (see
  // key_forms), then their ASCII keys.
  std::vector<std::string> exact_forms;
  std::vector<std::string> ascii_forms;
  std::vector<PlacePart> parts;  // after the name, in the order written
  // The name itself read as a country or a division, for a place line that
  // names nothing smaller: only the readings that say so plainly (a
  // division word, a country's name, a US state).
  PlacePart as_division;
  // The tree's form read for each part of the text, the name's first;
  // empty when no form fits it.
  std::vector<PartRole> roles;
  // The form says its first part is a division or a country, or the first
  // part is empty: the text names no place.
  bool names_only_division = false;
  std::string text;  // the place's text in UTF-8: what is read, and what notes name
};

// The query of a place line's text (without its line end), whose bytes are
// in `encoding`; `form` is what the tree says each part names.
PlaceQuery place_query(std::string_view place_line, TreeEncoding encoding, std::span<const PartRole> form = {});

// The rows of a gazetteer that the places asked for may be, read in one
// pass: `name` names the gazetteer in messages, `progress` is told how many
// of its bytes are read.
WantedRows rows_for(const std::vector<PlaceQuery>& queries, Source& gazetteer, std::string_view name,
                    const std::function<void(std::size_t)>& progress);

}  // namespace platsmarkeraren
