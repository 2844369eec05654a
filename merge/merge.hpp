// The place coordinate merge: copies the genealogy file to the output and,
// right after each place line, inserts the up to five lines that follow the
// first identical line of the coordinate file.
#pragma once

#include "core/reports.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

struct MergeOptions {
  // A place line that already has a MAP among its own lines (those of level
  // 3 and deeper after it) gets no block.
  bool keep_existing_maps = false;
  // Threads that merge stretches of the genealogy file side by side; 0 lets
  // the merge pick their number by the machine and the size of the file.
  unsigned workers = 0;
};

// Reads both sources to their ends. Failures come from the streams as
// exceptions; the merge itself has none.
MergeReport merge(Source& genealogy, Source& coordinates, Sink& output, const MergeOptions& options = {});


}  // namespace platsmarkeraren
