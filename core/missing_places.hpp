// The places of a genealogy file that the coordinate file does not cover
// yet, so that the user can complete it and merge again: as a list to
// append to the coordinate file (-l), and as data for the drafts.
#pragma once

#include <string>
#include <vector>

#include "core/stream.hpp"

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

// The same places as data, for the drafts.
struct MissingPlaces {
  std::vector<std::string> lines;  // each place line without its line end
  // The value of the "3 FORM" line right under each, in the tree's bytes:
  // what each part of that place's text names; empty when it has none.
  std::vector<std::string> forms;
  std::string first_line_end;      // the tree's own line end of the first; empty when it has none
};
MissingPlaces missing_places(Source& genealogy, const CoordinateIndex& index);

}  // namespace platsmarkeraren
