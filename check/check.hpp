// Checks a coordinate file before its blocks reach a tree: every block,
// used or not, and how the tree uses the file; with a gazetteer, also
// whether each block's coordinates lie where its place does.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "gazetteer/coordinate_audit.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

struct CheckCounts {
  std::size_t errors = 0;
  std::size_t warnings = 0;
  // Blocks whose place the registers do not know or cannot decide.
  std::size_t unchecked = 0;
  GazetteerCounts passed_over;
};

struct CheckOptions {
  // A GeoNames file to audit the blocks' coordinates against, named in
  // messages as `gazetteer_name`; with none, only blocks of the parishes
  // the built-in register decides are audited.
  Source* gazetteer = nullptr;
  std::string_view gazetteer_name;
  // Told, while the gazetteer is read, how many of its bytes are read.
  std::function<void(std::size_t)> progress = [](std::size_t) {};
  // Told of each block that lies far from its place, as the page draws it.
  std::function<void(const AuditFinding&)> misplaced = [](const AuditFinding&) {};
};

// Writes one line per finding to `out`, in the form compilers use:
// "koordinater.txt:12: fel: ..." or "...: varning: ...", with the files
// named as the user gave them; the coordinate file's findings first, by
// line, then the tree's, and a count at the end when there are any, or
// when blocks could not be audited.
CheckCounts check_coordinate_file(Source& genealogy, std::string_view genealogy_name, Source& coordinates,
                                  std::string_view coordinate_name, Sink& out, const CheckOptions& options = {});

}  // namespace platsmarkeraren
