#include "merge/merge.hpp"

#include <cstdint>
#include <vector>

#include "merge/coordinate_index.hpp"
#include "merge/genealogy_scanner.hpp"
#include "merge/line.hpp"
#include "merge/output_buffer.hpp"

namespace platsmarkeraren {

namespace {

class Merger final : public GenealogyVisitor {
 public:
  Merger(const CoordinateIndex& index, OutputBuffer& out) : index_(index), out_(out) {}

  void lines(std::string_view bytes, std::span<const std::string_view> place_lines) override {
    // The slots of all place lines are loaded first, and each twin a few
    // place lines ahead of its use, so the waits for memory overlap: with a
    // large coordinate file they would otherwise cost more than the rest.
    places_.clear();
    for (const std::string_view line : place_lines) {
      const Line place = Line::split(line);
      places_.push_back({place, CoordinateIndex::hash(place)});
      index_.prefetch_slot(places_.back().hash);
    }
    const char* copied = bytes.data();
    for (std::size_t i = 0; i < places_.size(); ++i) {
      if (i + kAhead < places_.size()) index_.prefetch_twin(places_[i + kAhead].hash);
      const Place& place = places_[i];
      const char* const line_end = place.line.end.data() + place.line.end.size();
      out_.write(bytes_between(copied, line_end));
      index_.write_block(place.line, place.hash, out_);
      copied = line_end;
    }
    out_.write(bytes_between(copied, bytes.data() + bytes.size()));
  }

 private:
  static constexpr std::size_t kAhead = 32;

  struct Place {
    Line line;
    std::uint64_t hash;
  };

  const CoordinateIndex& index_;
  OutputBuffer& out_;
  std::vector<Place> places_;  // reused from block to block
};

}  // namespace

void merge(Source& genealogy, Source& coordinates, Sink& output) {
  const CoordinateIndex index(coordinates);
  OutputBuffer out(output);
  Merger merger(index, out);
  // One byte more than the longest twin leaves room for a CR before the LF.
  GenealogyScanner(genealogy, index.longest_twin() + 1).scan(merger);
  out.flush();
}

}  // namespace platsmarkeraren
