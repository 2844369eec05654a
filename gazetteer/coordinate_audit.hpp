// The audit of a coordinate file's blocks (-k): whether each block's
// coordinates lie where its place does, by the built-in parish register
// and, when one is given, a gazetteer. The check reads the blocks; this
// reads their places as the drafts read a tree's.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/reports.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

// A block of a coordinate file whose coordinates are audited: where its
// LATI and LONG put its place.
struct PlacedBlock {
  std::string_view place_line;  // the block's place line, without its line end
  std::string_view form;        // its own FORM line's value, as the tree's place had it; often empty
  std::size_t line;             // the block's LATI line, counted from 1
  double latitude;              // degrees, north and east counting up
  double longitude;
};

// How far a block may lie from its place in the gazetteer before the audit
// warns: a parish or a county town is seldom larger.
inline constexpr double kAuditKilometres = 25;

struct AuditFinding {
  std::size_t line;
  std::string text;
  std::string place;  // the place's text, in UTF-8
  double latitude;    // where the block puts it
  double longitude;
  double place_latitude;  // where the gazetteer has it
  double place_longitude;
};

struct Audit {
  // A warning for each block farther than kAuditKilometres from the one
  // place its place line names, or outside the parish it names, in the
  // order of the blocks.
  std::vector<AuditFinding> findings;
  // Blocks whose place the gazetteer does not know, or whose text is
  // undecided between places that all lie far from the block.
  std::size_t unchecked = 0;
  GazetteerCounts passed_over;
};

// Reads each block's place line as the drafts read a tree's (`tree_start`,
// the tree's first bytes, tells its encoding), and checks the blocks'
// coordinates against the parish the built-in register decides, within
// its bounds in some period, and otherwise, when a gazetteer is given
// (streamed once), against the place found there.
Audit audit_coordinates(std::span<const PlacedBlock> blocks, std::string_view tree_start, Source* gazetteer,
                        std::string_view gazetteer_name,
                        const std::function<void(std::size_t)>& progress = [](std::size_t) {});

}  // namespace platsmarkeraren
