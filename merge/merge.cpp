#include "merge/merge.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "merge/block_output.hpp"
#include "merge/block_workers.hpp"
#include "merge/coordinate_index.hpp"
#include "merge/line.hpp"

namespace platsmarkeraren {

namespace {

class Merger final : public GenealogyVisitor {
 public:
  Merger(CoordinateIndex& index, BlockOutput& out) : index_(index), out_(out) {}

  void lines(std::string_view bytes, std::span<const std::string_view> place_lines,
             LineBreak line_break) override {
    // Each place line's slot is loaded well ahead of its use, and its twin
    // a little ahead, so that the waits for memory overlap: with a large
    // coordinate file they would otherwise cost more than the rest.
    hashes_.clear();
    std::ranges::transform(place_lines, std::back_inserter(hashes_), [line_break](std::string_view line) {
      return CoordinateIndex::hash(line_break.split(line));
    });
    for (std::size_t i = 0; i < std::min(hashes_.size(), kAhead); ++i) index_.prefetch_slot(hashes_[i]);
    const char* copied = bytes.data();
    for (std::size_t i = 0; i < hashes_.size(); ++i) {
      if (i + kAhead < hashes_.size()) index_.prefetch_slot(hashes_[i + kAhead]);
      if (i + kAhead / 2 < hashes_.size()) index_.prefetch_twin(hashes_[i + kAhead / 2]);
      const char* const line_end = place_lines[i].data() + place_lines[i].size();
      out_.write(bytes_between(copied, line_end));
      index_.write_block(place_lines[i], line_break, hashes_[i], out_);
      copied = line_end;
    }
    out_.write(bytes_between(copied, bytes.data() + bytes.size()));
  }

 private:
  static constexpr std::size_t kAhead = 16;

  CoordinateIndex& index_;
  BlockOutput& out_;
  std::vector<std::uint64_t> hashes_;  // of the place lines, reused from block to block
};

// A file of a few blocks is done before a second thread would have started.
constexpr std::size_t kOneWorkerSize = 1 << 20;
constexpr unsigned kMostWorkers = 4;

unsigned workers_for(const Source& genealogy) {
  const std::size_t size = genealogy.size_hint();
  if (size != 0 && size <= kOneWorkerSize) return 1;
  return std::clamp(std::thread::hardware_concurrency(), 1U, kMostWorkers);
}

}  // namespace

void merge(Source& genealogy, Source& coordinates, Sink& output) {
  merge(genealogy, coordinates, output, workers_for(genealogy));
}

void merge(Source& genealogy, Source& coordinates, Sink& output, unsigned workers) {
  CoordinateIndex index(coordinates);
  // One byte more than the longest twin leaves room for the first byte of a
  // two-byte line end.
  visit_blocks(genealogy, index.longest_twin() + 1, output, workers, [&](BlockOutput& out) {
    return std::make_unique<Merger>(index, out);
  });
}

}  // namespace platsmarkeraren
