// The places of a genealogy file that the coordinate file does not cover
// yet, so that the user can complete it and merge again.
#pragma once

#include "merge/stream.hpp"

namespace platsmarkeraren {

// Writes each place line of the genealogy file that has no twin in the
// coordinate file, once and in the order first met, as it stands; only its
// line end becomes the coordinate file's when the two files end their lines
// at different bytes (CR against LF). Lines are the same as the merge would
// find them the same.
struct ListOptions {
  // The list goes to the end of the coordinate file itself: when that
  // file's last line lacks its line end, the list begins with one.
  bool appending = false;
};

void list_missing_places(Source& genealogy, Source& coordinates, Sink& output, const ListOptions& options = {});

class CoordinateIndex;
// The same, against a coordinate file indexed already.
void list_missing_places(Source& genealogy, const CoordinateIndex& index, Sink& output, const ListOptions& options = {});

}  // namespace platsmarkeraren
