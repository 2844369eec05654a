// What a tree says each part of its place texts names. GEDCOM lets a tree
// name them once in its header ("1 PLAC" / "2 FORM Socken, Län, Land") or
// under a place ("3 FORM City, County, State, Country"), and keeps a part
// that is not known as an empty one (", Uppsala län, Sverige"), so the
// parts of a text stand in the form's order. A text with another number of
// parts than its form was not written to it, and is read as if there were
// no form.
#pragma once

#include <string_view>
#include <vector>

namespace platsmarkeraren {

enum class PartRole {
  unknown,       // a word not read here: the part is read as if no form named it
  town,          // stad, city, town: a place
  parish,        // socken, församling, parish
  within,        // gård, by, farm, village: a place smaller than a parish
  hundred,       // härad, hundred: no gazetteer knows it, so it is passed over
  municipality,  // kommun, municipality
  province,      // landskap, province
  county,        // län, county, state: a first- or second-level division
  country,       // land, country
};

// The parts of a place's text or of a form, empty ones kept, without the
// blanks around them.
std::vector<std::string_view> comma_parts(std::string_view text);

// The role of each part, in order, that a form's UTF-8 text names; empty
// when the form names none it knows (so that it changes nothing).
std::vector<PartRole> read_place_form(std::string_view utf8);

// Whether a part of that role names a division or a country, not a place.
inline bool names_division(PartRole role) {
  return role == PartRole::hundred || role == PartRole::municipality || role == PartRole::province ||
         role == PartRole::county || role == PartRole::country;
}

// Whether a part of that role names a place: a place's own name, or one it
// lies within or near.
inline bool names_place(PartRole role) {
  return role == PartRole::town || role == PartRole::parish || role == PartRole::within;
}

}  // namespace platsmarkeraren
