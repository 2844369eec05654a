// A deliberately simple model of the merge and of the list of missing
// places: it rereads the coordinate lines from the start for every place
// line. Slow, but plain enough to check by eye, so the real merge is tested
// against it on many random inputs.
#pragma once

#include <string>
#include <string_view>

#include "merge/merge.hpp"

namespace platsmarkeraren::naive {

std::string merge(std::string_view genealogy, std::string_view coordinates, const MergeOptions& options = {},
                  MergeReport* report = nullptr);
std::string missing_places(std::string_view genealogy, std::string_view coordinates, bool appending = false);

}  // namespace platsmarkeraren::naive
