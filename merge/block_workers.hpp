// Runs the work on the genealogy file in several threads: each takes the
// next block, searches it, looks up its place lines and gathers its output,
// while the others do the same with theirs; the outputs go out in the order
// of the blocks. On a machine of several cores the searching and the lookups
// then cost a fraction of their time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "merge/block_output.hpp"
#include "merge/line.hpp"
#include "merge/stream.hpp"

namespace platsmarkeraren {

// What a worker does with each block; it writes to the output the worker
// made it with. Each worker has its own.
class GenealogyVisitor {
 public:
  virtual ~GenealogyVisitor() = default;
  // The next bytes of the file, and the whole lines among them that hold the
  // place marker, line ends included, in order; `line_break` tells how the
  // file ends its lines.
  virtual void lines(std::string_view bytes, std::span<const std::string_view> place_lines,
                     LineBreak line_break) = 0;
};

using VisitorMaker = std::function<std::unique_ptr<GenealogyVisitor>(BlockOutput&)>;

// A line longer than `hold_limit` is never a place line (see
// GenealogyReader). Returns once all the output is written; rethrows the
// first failure of any worker.
void visit_blocks(Source& genealogy, std::size_t hold_limit, Sink& output, unsigned workers,
                  const VisitorMaker& make_visitor);

}  // namespace platsmarkeraren
