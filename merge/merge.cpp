#include "merge/merge.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "core/coordinate_index.hpp"
#include "core/gedcom_line.hpp"
#include "core/line.hpp"
#include "core/stretch_output.hpp"
#include "core/stretch_workers.hpp"
#include "core/used_twins.hpp"

namespace platsmarkeraren {

namespace {

// Writes the lines of `block`, each with `line_end`, the place line's: the
// output keeps the line ends of the genealogy file, and a last line that
// lacks a line end is never glued to the next genealogy line.
// `coordinate_break` is how the coordinate file ends its lines.
void write_block(const TwinBlock& block, LineBreak coordinate_break, PaddedBytes line_end, StretchOutput& out) {
  // Most often the two files share their line ends: the block goes out whole.
  if (block.shared_line_end(coordinate_break) == std::string_view(line_end)) {
    out.write(block.bytes());
    return;
  }
  const char* const last = block.bytes().data() + block.bytes().size();
  for (const char* next = block.bytes().data(); next < last;) {
    out.write(block.bytes().part(coordinate_break.split(coordinate_break.take_line(next, last)).text));
    out.write(line_end);
  }
}

class Merger final : public GenealogyVisitor {
 public:
  Merger(const CoordinateIndex& index, UsedTwins::Tables& tables, StretchOutput& out, bool keep_existing_maps,
         MergeReport& total, std::mutex& reporting)
      : index_(index),
        used_(tables),
        out_(out),
        keep_existing_maps_(keep_existing_maps),
        total_(total),
        reporting_(reporting) {}
  Merger(const Merger&) = delete;
  Merger& operator=(const Merger&) = delete;

  // Each worker counts apart, and adds its counts to the run's at its end.
  ~Merger() override {
    const std::lock_guard<std::mutex> lock(reporting_);
    total_ += own_;
  }

  void lines(const Stretch& stretch) override {
    const PaddedBytes bytes = stretch.bytes;
    const std::span<const std::string_view> place_lines = stretch.place_lines;
    const LineBreak line_break = stretch.line_break;
    // Each place line's entry is loaded well ahead of its use, and its twin
    // a little ahead, so that the waits for memory overlap: with a large
    // coordinate file they would otherwise cost more than the rest.
    hashes_.clear();
    std::transform(place_lines.begin(), place_lines.end(), std::back_inserter(hashes_), [this, line_break](std::string_view line) {
      return index_.hash(line_break.split(line));
    });
    for (std::size_t i = 0; i < std::min(hashes_.size(), kAhead); ++i) used_.prefetch_entry(hashes_[i]);
    const char* copied = bytes.data();
    const char* const last = bytes.data() + bytes.size();
    for (std::size_t i = 0; i < hashes_.size(); ++i) {
      if (i + kAhead < hashes_.size()) used_.prefetch_entry(hashes_[i + kAhead]);
      if (i + kAhead / 2 < hashes_.size()) used_.prefetch_twin(hashes_[i + kAhead / 2]);
      const char* const line_end = place_lines[i].data() + place_lines[i].size();
      out_.write(bytes.part(copied, line_end));
      copied = line_end;
      const Line place = line_break.split(place_lines[i]);
      const TwinBlock found = used_.twin_block(place, hashes_[i]);
      if (!found) continue;
      // Whether the place has a map of its own matters only when the block
      // would add one, or when an existing one keeps the block out. The
      // reader hands over a place's own lines in the same part of the file.
      const bool has_own_map = (keep_existing_maps_ || found.has_map()) && carries_map(line_end, last, line_break);
      if (keep_existing_maps_ && has_own_map) continue;
      write_block(found, index_.line_break(), bytes.part(place.end), out_);
      own_.broken_records += found.breaks_record() ? 1 : 0;
      own_.cut_short += found.cut_short() ? 1 : 0;
      own_.second_maps += found.has_two_maps() || (has_own_map && found.has_map()) ? 1 : 0;
    }
    out_.write(bytes.part(copied, last));
  }

 private:
  static constexpr std::size_t kAhead = 16;

  const CoordinateIndex& index_;
  UsedTwins used_;
  StretchOutput& out_;
  const bool keep_existing_maps_;
  MergeReport& total_;
  std::mutex& reporting_;
  MergeReport own_;
  std::vector<std::uint64_t> hashes_;  // of the place lines, reused from stretch to stretch
};

}  // namespace

MergeReport merge(Source& genealogy, Source& coordinates, Sink& output, const MergeOptions& options) {
  CoordinateIndex index(coordinates);
  MergeReport report;
  std::mutex reporting;
  const unsigned workers = options.workers != 0 ? options.workers : workers_for(genealogy);
  // One byte more than the longest place line leaves room for the first
  // byte of a two-byte line end.
  UsedTwins::Tables tables(index, workers);
  visit_stretches(genealogy, index.longest_place_line() + 1, output, workers, [&](StretchOutput& out) {
    return std::make_unique<Merger>(index, tables, out, options.keep_existing_maps, report, reporting);
  });
  return report;
}

}  // namespace platsmarkeraren
