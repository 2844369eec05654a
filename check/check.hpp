// Checks a coordinate file before its blocks reach a tree: every block,
// used or not, and how the tree uses the file.
#pragma once

#include <cstddef>
#include <string_view>

#include "merge/stream.hpp"

namespace platsmarkeraren {

struct CheckCounts {
  std::size_t errors = 0;
  std::size_t warnings = 0;
};

// Writes one line per finding to `out`, in the form compilers use:
// "koordinater.txt:12: fel: ..." or "...: varning: ...", with the files
// named as the user gave them; the coordinate file's findings first, by
// line, then the tree's, and a count at the end when there are any.
CheckCounts check_coordinate_file(Source& genealogy, std::string_view genealogy_name, Source& coordinates,
                                  std::string_view coordinate_name, Sink& out);

}  // namespace platsmarkeraren
