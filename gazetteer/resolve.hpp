// Decides what a place line names among the gazetteer's rows, and never
// guesses. Rows that lie within a few kilometres of each other are one
// place, whatever their kinds (a parish, its church, its village); rows
// farther apart are different places, and when the place's text cannot
// tell them apart the place stays undecided. The kind of a row never
// chooses between two places.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/place_query.hpp"

namespace platsmarkeraren {

// How far apart two rows may lie and still be one place.
inline constexpr double kSamePlaceKilometres = 5.0;

struct Resolution {
  enum Outcome { resolved, ambiguous, unknown } outcome = unknown;
  // For a resolved place, the one row whose coordinates it takes: of the
  // most preferred kind among the rows of the place. For an undecided one,
  // one such row of each place it may be; for an unknown one, the rows of
  // its name outside the county or country it names.
  std::vector<const GazetteerRow*> rows;
  bool outside_county = false;  // an unknown place whose name is found elsewhere
};

Resolution resolve(const PlaceQuery& query, const WantedRows& gazetteer);

// The rows of a gazetteer that the places asked for may be, read in one
// pass: `name` names the gazetteer in messages, `progress` is told how many
// of its bytes are read.
WantedRows rows_for(const std::vector<PlaceQuery>& queries, Source& gazetteer, std::string_view name,
                    const std::function<void(std::size_t)>& progress);

}  // namespace platsmarkeraren
