// What a run found, counted, for the front ends to word alike (see
// messages/messages.hpp).
#pragma once

#include <cstddef>
#include <string>

namespace platsmarkeraren {

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

// What a run that read a gazetteer passed over: the drafts, the audit and
// the check report it alike.
struct GazetteerCounts {
  std::size_t unreadable_rows = 0;  // rows whose coordinates could not be read
  // The tree's encoding as its CHAR line names it, when it is not read here
  // and its places were matched as the bytes they are; empty otherwise.
  std::string unread_encoding;
};

}  // namespace platsmarkeraren
