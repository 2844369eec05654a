// The ways of reading a place's later parts against the gazetteer: read
// from the end, the country, then the divisions, each within the one
// before, or a place it lies near. A part may read several ways ("CA" is
// California and Canada); each reading that the gazetteer bears out is
// kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/place_query.hpp"

namespace platsmarkeraren {

// How far from a place named by a later part ("Norrby, Tierp") the first
// part's place may lie: the farm within its parish, the village by its
// town.
inline constexpr double kNearKilometres = 20.0;

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

std::vector<Reading> readings_of(const PlaceQuery& query, const WantedRows& gazetteer);

// Whether a row lies where the reading says.
bool lies_in(const GazetteerRow& row, const Reading& reading);

// Whether the name itself, read as plainly as a division, names one that
// the reading does not name yet: a place line that is only a state.
bool names_only_a_division(const PlaceQuery& query, const Reading& reading, const WantedRows& gazetteer);

// Whether the name is a country's, one the reading does not name yet.
bool names_a_country(const PlaceQuery& query, const Reading& reading);

}  // namespace platsmarkeraren
