// Drafts the coordinate blocks a tree still lacks from a gazetteer
// (ortregister), a GeoNames file: one block for each place the gazetteer
// names beyond doubt, and for the others notes that list the candidates,
// for the user to choose among by hand. The draft is made to be appended
// to the coordinate file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "merge/stream.hpp"

namespace platsmarkeraren {

struct DraftOptions {
  // The draft goes to the end of the coordinate file itself: when that
  // file's last line lacks its line end, the draft begins with one.
  bool appending = false;
  // Told, while the gazetteer is read, how many of its bytes are read.
  std::function<void(std::size_t)> progress = [](std::size_t) {};
};

struct DraftCounts {
  std::size_t resolved = 0;
  std::size_t ambiguous = 0;
  std::size_t unknown = 0;
  // Gazetteer rows that named a place looked for, but whose coordinates
  // could not be read, and were passed over.
  std::size_t unreadable_rows = 0;
  // The encoding the tree's header names, when it is one not read here and
  // its places were matched as the bytes they are; empty otherwise.
  std::string unread_encoding;
};

// Writes to `out` the draft for the place lines of the genealogy file that
// have no twin in the coordinate file, those that the list of missing
// places holds: first the blocks, each after its place line as the tree
// writes it, then the notes, each line beginning with "#". A note never
// holds the place marker and follows whole blocks, so that the merge
// neither takes one for a twin nor inserts one into a tree. The draft
// ends its lines as the coordinate file does, or as the tree does when the
// coordinate file has no line end. `gazetteer_name` is how messages name
// the gazetteer.
DraftCounts draft_coordinates(Source& genealogy, Source& coordinates, Source& gazetteer,
                              std::string_view gazetteer_name, Sink& out, const DraftOptions& options = {});

}  // namespace platsmarkeraren
