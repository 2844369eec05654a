// Decides what a place line names among the gazetteer's rows, and never
// guesses. Rows that lie within a few kilometres of each other are one
// place, whatever their kinds (a parish, its church, its village); rows
// farther apart are different places, and when the place's text cannot
// tell them apart the place stays undecided. The kind of a row never
// chooses between two places.
#pragma once

#include <vector>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/place_query.hpp"

namespace platsmarkeraren {

struct Resolution {
  // only_division: the place line names a country or a division, not a
  // place, and gets no block.
  enum Outcome { resolved, ambiguous, unknown, only_division } outcome = unknown;
  // For a resolved place, the one row whose coordinates it takes: of the
  // most preferred kind among the rows of the place. For an undecided one,
  // one such row of each place it may be; for an unknown one, the rows of
  // its name outside the county or country it names.
  std::vector<const GazetteerRow*> rows;
  bool outside_county = false;  // an unknown place whose name is found elsewhere
  bool without_gazetteer = false;  // an unknown place, looked for in the parish register alone
  // The places its later parts name, which it lies near: how far each
  // candidate lies from them helps to choose.
  std::vector<const GazetteerRow*> near;
};

Resolution resolve(const PlaceQuery& query, const WantedRows& gazetteer);

// What a place names among the built-in parish register and, when
// `with_gazetteer`, the gazetteer's rows. A text that names a Swedish parish
// takes the register's places; a bare name that the gazetteer also knows
// abroad may be either. A text that says it lies in Sweden (a parish word,
// a county, Sverige) is never placed in another country, save a parish
// word alone in Finland, whose parishes use the same words.
Resolution resolve_with_parishes(const PlaceQuery& query, const WantedRows& gazetteer, bool with_gazetteer);

}  // namespace platsmarkeraren
