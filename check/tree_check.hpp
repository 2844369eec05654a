// How the tree uses the coordinate file: places that have a map of their
// own already, to which a merge would add a second, and places without a
// twin for which the coordinate file holds a line that differs only in
// case, spacing or punctuation. Each place is reported once, where the tree
// first names it.
#pragma once

#include <string_view>

#include "check/block_check.hpp"
#include "check/findings.hpp"
#include "core/coordinate_index.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

void check_tree(Source& genealogy, const CoordinateIndex& index, const NearTwins& near_twins,
                std::string_view coordinate_name, Findings& findings);

}  // namespace platsmarkeraren
