// Runs the work on the genealogy file in several threads: each takes the
// next stretch, searches it, looks up its place lines and gathers its output,
// while the others do the same with theirs; the outputs go out in the order
// of the stretches. On a machine of several cores the searching and the lookups
// then cost a fraction of their time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "core/stretch_reader.hpp"
#include "core/stream.hpp"
#include "core/stretch_output.hpp"

namespace platsmarkeraren {

// What a worker does with each stretch; it writes to the output the worker
// made it with. Each worker has its own.
class GenealogyVisitor {
 public:
  virtual ~GenealogyVisitor() = default;
  // The next stretch of the file, with its place lines found.
  virtual void lines(const Stretch& stretch) = 0;
};

using VisitorMaker = std::function<std::unique_ptr<GenealogyVisitor>(StretchOutput&)>;

// As many workers as pay for the genealogy file on this machine.
unsigned workers_for(const Source& genealogy);

// A line longer than `hold_limit` is never a place line (see
// StretchReader). Returns once all the output is written; rethrows the
// first failure of any worker.
void visit_stretches(Source& genealogy, std::size_t hold_limit, Sink& output, unsigned workers,
                     const VisitorMaker& make_visitor);

}  // namespace platsmarkeraren
