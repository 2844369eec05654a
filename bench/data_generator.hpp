// Realistic, deterministic test data: a Swedish family tree in GEDCOM line
// form and a coordinate file for its places, sized by persons and places.
// The same numbers always give the same bytes.
#pragma once

#include <cstddef>
#include <string>

namespace platsmarkeraren::bench {

struct DataSize {
  std::size_t persons = 1000;
  std::size_t places = 100;
  // Coordinate records for places the tree never uses, per record of a place
  // it does use: 9 makes a coordinate file ten times as large.
  std::size_t decoys_per_place = 0;
};

// A tree with a header, individuals with names and birth, christening, death
// and burial events, families with marriages, source citations, notes that
// mention "2 PLAC ", and a trailer.
std::string genealogy_file(const DataSize& size);

// Records of a place line and five coordinate lines, in random order, for
// about 90 % of the tree's places, a few of them twice.
std::string coordinate_file(const DataSize& size);

}  // namespace platsmarkeraren::bench
