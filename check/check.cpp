#include "check/check.hpp"

#include <string>

#include "check/block_check.hpp"
#include "check/findings.hpp"
#include "check/tree_check.hpp"
#include "core/tree_header.hpp"
#include "core/coordinate_index.hpp"

namespace platsmarkeraren {

namespace {

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

// The audit's warnings join the coordinate file's findings, each at its
// block's LATI line: against the parish register always, and against the
// gazetteer when one is given.
void audit(const CoordinateIndex& index, const TreeHeader& tree, const CheckOptions& options, Findings& findings,
           CheckCounts& counts) {
  const std::vector<PlacedBlock> blocks = placed_blocks(index);
  Audit audited = audit_coordinates(blocks, tree.start(), options.gazetteer, options.gazetteer_name, options.progress);
  for (AuditFinding& finding : audited.findings) {
    options.misplaced(finding);
    findings.warning_ahead(finding.line, std::move(finding.text));
  }
  counts.unchecked = audited.unchecked;
  counts.passed_over = std::move(audited.passed_over);
}

}  // namespace

CheckCounts check_coordinate_file(Source& genealogy, std::string_view genealogy_name, Source& coordinates,
                                  std::string_view coordinate_name, Sink& out, const CheckOptions& options) {
  CoordinateIndex index(coordinates);
  CheckCounts counts;
  Findings in_coordinates(coordinate_name, out);
  // The tree's header tells how its place lines, and so their twins, spell
  // letters; the rest of the tree is read after.
  TreeHeader tree(genealogy);
  audit(index, tree, options, in_coordinates, counts);
  const NearTwins near_twins = check_blocks(index, in_coordinates);
  in_coordinates.settle();
  Findings in_tree(genealogy_name, out);
  check_tree(tree, index, near_twins, coordinate_name, in_tree);
  in_tree.settle();
  counts.errors = in_coordinates.errors() + in_tree.errors();
  counts.warnings = in_coordinates.warnings() + in_tree.warnings();
  if (counts.errors + counts.warnings + counts.unchecked > 0) {
    std::string line = counted(counts.errors, "fel", "fel") + ", " + counted(counts.warnings, "varning", "varningar");
    if (counts.unchecked > 0) {
      line += "; " + counted(counts.unchecked, "block", "block") +
              " gick inte att pröva mot ortregistret: orten är okänd eller oavgjord";
    }
    out.write(line + '\n');
  }
  return counts;
}

}  // namespace platsmarkeraren
