// Recovers a coordinate file from a tree that carries coordinates of its
// own (-t): a merged tree whose coordinate file was lost, a cousin's tree,
// a genealogy program's export. Each distinct place line of the tree that
// has no twin in the coordinate file yet, and that carries a MAP with a
// LATI and a LONG among its own lines, gets a block that gives it those
// coordinates, so that the blocks can be appended to the coordinate file.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/stream.hpp"

namespace platsmarkeraren {

struct RecoveryOptions {
  // How notes name the tree, as the user gave it.
  std::string_view tree_name;
  // The blocks go to the end of the coordinate file itself: when that
  // file's last line lacks its line end, they begin with one.
  bool appending = false;
};

struct RecoveryCounts {
  std::size_t blocks = 0;
  // Places given other coordinates elsewhere in the tree, or coordinates
  // not in GEDCOM's form: each gets a note instead of, or beside, its block.
  std::size_t conflicting = 0;
  std::size_t malformed = 0;
};

// Writes to `out` a block for each such place, in the order first met: its
// place line as the tree writes it, then the tree's own MAP, LATI and LONG
// lines and two more, in the coordinate file's shape when it has one, or
// else a note naming the tree and the line the coordinates stood on. After
// the blocks, notes (lines beginning with "#") for places given other
// coordinates elsewhere in the tree, with their lines, and for coordinates
// not in GEDCOM's form, which get no block. Lines end as the coordinate
// file's do, or as the tree's when that file has none.
RecoveryCounts recover_coordinates(Source& genealogy, Source& coordinates, Sink& out,
                                   const RecoveryOptions& options = {});

}  // namespace platsmarkeraren
