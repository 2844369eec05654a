#include "check/check.hpp"

#include <string>

#include "check/block_check.hpp"
#include "check/findings.hpp"
#include "check/tree_check.hpp"
#include "merge/coordinate_index.hpp"

namespace platsmarkeraren {

namespace {

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

}  // namespace

CheckCounts check_coordinate_file(Source& genealogy, std::string_view genealogy_name, Source& coordinates,
                                  std::string_view coordinate_name, Sink& out) {
  CoordinateIndex index(coordinates);
  Findings in_coordinates(coordinate_name, out);
  const NearTwins near_twins = check_blocks(index, in_coordinates);
  in_coordinates.settle();
  Findings in_tree(genealogy_name, out);
  check_tree(genealogy, index, near_twins, coordinate_name, in_tree);
  in_tree.settle();
  const CheckCounts counts{in_coordinates.errors() + in_tree.errors(), in_coordinates.warnings() + in_tree.warnings()};
  if (counts.errors + counts.warnings > 0) {
    out.write(counted(counts.errors, "fel", "fel") + ", " + counted(counts.warnings, "varning", "varningar") + '\n');
  }
  return counts;
}

}  // namespace platsmarkeraren
