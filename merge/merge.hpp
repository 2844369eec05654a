// The place coordinate merge: copies the genealogy file to the output and,
// right after each place line, inserts the up to five lines that follow the
// first identical line of the coordinate file. And its counterpart: the
// places of a genealogy file that the coordinate file does not cover yet,
// so that the user can complete it and merge again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// What the inserted blocks did to the tree, for a warning: each count is of
// insertions. The output holds every byte asked for all the same.
struct MergeReport {
  std::size_t broken_records = 0;  // blocks that hold a place line, a line of level 0-2 or a blank line
  std::size_t cut_short = 0;       // blocks of one to four lines: the coordinate file ended
  std::size_t second_maps = 0;     // blocks with two MAPs, or a MAP under a place that had one already

  bool clean() const { return *this == MergeReport{}; }
  MergeReport& operator+=(const MergeReport& other) {
    broken_records += other.broken_records;
    cut_short += other.cut_short;
    second_maps += other.second_maps;
    return *this;
  }
  friend bool operator==(const MergeReport&, const MergeReport&) = default;
};

// Reads both sources to their ends. Failures come from the streams as
// exceptions; the merge itself has none.
MergeReport merge(Source& genealogy, Source& coordinates, Sink& output, const MergeOptions& options = {});

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
