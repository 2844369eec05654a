// The place coordinate merge: copies the genealogy file to the output and,
// right after each place line, inserts the up to five lines that follow the
// first identical line of the coordinate file.
#pragma once

#include "merge/stream.hpp"

namespace platsmarkeraren {

// Reads both sources to their ends. Failures come from the streams as
// exceptions; the merge itself has none.
void merge(Source& genealogy, Source& coordinates, Sink& output);

// The same with `workers` threads (at least 1) that merge blocks of the
// genealogy file side by side; the one above picks their number by the
// machine and the size of the file.
void merge(Source& genealogy, Source& coordinates, Sink& output, unsigned workers);

}  // namespace platsmarkeraren
