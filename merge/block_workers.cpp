#include "merge/block_workers.hpp"

#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "merge/genealogy_reader.hpp"
#include "merge/turns.hpp"

namespace platsmarkeraren {

void visit_blocks(Source& genealogy, std::size_t hold_limit, Sink& output, unsigned workers,
                  const VisitorMaker& make_visitor) {
  GenealogyReader reader(genealogy, hold_limit);
  Turns writing;
  std::mutex failing;
  std::exception_ptr failure;
  const auto work = [&] {
    try {
      GenealogyReader::Buffer buffer;
      BlockOutput out(output, writing);
      const std::unique_ptr<GenealogyVisitor> visitor = make_visitor(out);
      Block block;
      while (reader.next(buffer, block)) {
        out.start(block.number);
        visitor->lines(block.bytes, block.place_lines);
        out.finish();
      }
    } catch (...) {
      // The first failure is the one to report; the workers it stops fail
      // only because of it.
      const std::lock_guard<std::mutex> lock(failing);
      if (!failure) failure = std::current_exception();
      writing.stop();
    }
  };
  std::vector<std::jthread> helpers;
  for (unsigned i = 1; i < workers; ++i) helpers.emplace_back(work);
  work();
  helpers.clear();  // joins them
  if (failure) std::rethrow_exception(failure);
}

}  // namespace platsmarkeraren
