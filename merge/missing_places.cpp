#include "merge/missing_places.hpp"

#include <cstddef>
#include <limits>
#include <memory>

#include "merge/coordinate_index.hpp"
#include "merge/line.hpp"
#include "merge/stretch_output.hpp"
#include "merge/stretch_workers.hpp"
#include "merge/text_set.hpp"

namespace platsmarkeraren {

namespace {

class MissingPlaces final : public GenealogyVisitor {
 public:
  MissingPlaces(const CoordinateIndex& index, StretchOutput& out, bool end_last_line)
      : index_(index), out_(out), end_last_line_(end_last_line) {}

  void lines(const Stretch& stretch) override {
    const bool own_ends = keeps_own_line_ends(stretch.line_break);
    for (const std::string_view line : stretch.place_lines) {
      const Line place = stretch.line_break.split(line);
      if (index_.has_twin(place) || already_listed(place)) continue;
      if (end_last_line_) {
        // Pieces of output need readable bytes after them; see padding.hpp.
        static constexpr char kLineFeed[kCopyStride + 1] = "\n";
        const std::string_view end = index_.first_line_end();
        out_.write(!end.empty() ? end : place.terminated() ? place.end : std::string_view(kLineFeed, 1));
        end_last_line_ = false;
      }
      if (own_ends || !place.terminated()) {
        out_.write(line);
      } else {
        out_.write(place.text);
        out_.write(index_.first_line_end());
      }
    }
  }

 private:
  // The list is made to be appended to the coordinate file, so its lines
  // must end where that file's lines end: a CR-only line appended to an LF
  // file would run on into the next one. Lines keep the tree's own line end
  // when both files break lines at the same byte, or when the coordinate
  // file shows no line end to follow.
  bool keeps_own_line_ends(LineBreak line_break) const {
    return line_break == index_.line_break() || index_.first_line_end().empty();
  }

  // Only the last line of a file lacks a line end, so it is met once; the
  // texts of the others tell them apart.
  bool already_listed(Line place) {
    return place.terminated() && !listed_.insert(place.text);
  }

  const CoordinateIndex& index_;
  StretchOutput& out_;
  bool end_last_line_;  // until the first place is listed
  TextSet listed_;
};

}  // namespace

void list_missing_places(Source& genealogy, Source& coordinates, Sink& output, const ListOptions& options) {
  list_missing_places(genealogy, CoordinateIndex(coordinates), output, options);
}

void list_missing_places(Source& genealogy, const CoordinateIndex& index, Sink& output, const ListOptions& options) {
  const bool end_last_line = options.appending && index.ends_mid_line();
  // A place line longer than any twin is missing too and must be listed
  // whole, so every line is held whole here. A place is listed where it is
  // first met, so one worker goes through the file in order.
  visit_stretches(genealogy, std::numeric_limits<std::size_t>::max(), output, 1,
                  [&](StretchOutput& out) { return std::make_unique<MissingPlaces>(index, out, end_last_line); });
}

}  // namespace platsmarkeraren
