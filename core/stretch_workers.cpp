#include "core/stretch_workers.hpp"

#include <algorithm>
#include <thread>

#include "core/stretch_reader.hpp"
#include "core/ordered_sink.hpp"
#include "core/side_by_side.hpp"

namespace platsmarkeraren {

namespace {

// A file of a few stretches is done before a second thread would have started.
constexpr std::size_t kOneWorkerSize = 1 << 20;
constexpr unsigned kMostWorkers = 4;

}  // namespace

unsigned workers_for(const Source& genealogy) {
  const std::size_t size = genealogy.size_hint();
  if (size != 0 && size <= kOneWorkerSize) return 1;
  return std::clamp(std::thread::hardware_concurrency(), 1U, kMostWorkers);
}

void visit_stretches(Source& genealogy, std::size_t hold_limit, Sink& output, unsigned workers,
                     const VisitorMaker& make_visitor) {
  StretchReader reader(genealogy, ReadRules{.hold_limit = hold_limit});
  OrderedSink ordered(output);
  const std::size_t buffer_size = StretchOutput::buffer_size_for(genealogy.size_hint());
  run_side_by_side(
      workers,
      [&] {
        StretchReader::ReadBuffer buffer;
        StretchOutput out(ordered, buffer_size);
        const std::unique_ptr<GenealogyVisitor> visitor = make_visitor(out);
        Stretch stretch;
        while (reader.next(buffer, stretch)) {
          out.start(stretch.number);
          visitor->lines(stretch);
          out.finish();
        }
      },
      [&] {
        reader.stop();
        ordered.stop();
      });
}

}  // namespace platsmarkeraren
