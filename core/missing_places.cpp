#include "core/missing_places.hpp"

#include <cstddef>
#include <limits>
#include <memory>

#include "core/coordinate_index.hpp"
#include "core/place_maps.hpp"
#include "core/line.hpp"
#include "core/stretch_output.hpp"
#include "core/stretch_workers.hpp"
#include "core/text_set.hpp"

namespace platsmarkeraren {

namespace {

// Hands `found` each place line that has no twin and was not met before,
// with the file's line break, its text and line end, the whole line, and
// the bytes of its stretch after it. A `found` that wants the line after a
// place line that ends its stretch is also shown each stretch's bytes
// first, by `stretch_begins`.
template <typename Found>
class MissingPlaceFinder final : public GenealogyVisitor {
 public:
  MissingPlaceFinder(const CoordinateIndex& index, Found found) : index_(index), found_(found) {}

  void lines(const Stretch& stretch) override {
    const std::string_view bytes(stretch.bytes.data(), stretch.bytes.size());
    if constexpr (requires { found_.stretch_begins(stretch.line_break, bytes); }) {
      found_.stretch_begins(stretch.line_break, bytes);
    }
    for (const std::string_view line : stretch.place_lines) {
      const Line place = stretch.line_break.split(line);
      if (index_.has_twin(place) || already_met(place)) continue;
      found_(stretch.line_break, place, line, bytes.substr(static_cast<std::size_t>(line.data() + line.size() - bytes.data())));
    }
  }

 private:
  // Only the last line of a file lacks a line end, so it is met once; the
  // texts of the others tell them apart.
  bool already_met(Line place) { return place.terminated() && !met_.insert(place.text); }

  const CoordinateIndex& index_;
  Found found_;
  TextSet met_;
};

// Goes through the genealogy file for its missing places. A place line
// longer than any twin is missing too and must be found whole, so every
// line is held whole here. A place is found where it is first met, so one
// worker goes through the file in order.
template <typename MakeFound>
void find_missing_places(Source& genealogy, const CoordinateIndex& index, Sink& output, MakeFound make_found) {
  visit_stretches(genealogy, std::numeric_limits<std::size_t>::max(), output, 1, [&](StretchOutput& out) {
    using Found = decltype(make_found(out));
    return std::make_unique<MissingPlaceFinder<Found>>(index, make_found(out));
  });
}

// Writes the list: its lines must end where the coordinate file's lines
// end, as it is made to be appended to that file, since a CR-only line
// appended to an LF file would run on into the next one. Lines keep the
// tree's own line end when both files break lines at the same byte, or when
// the coordinate file shows no line end to follow.
class ListWriter {
 public:
  ListWriter(const CoordinateIndex& index, StretchOutput& out, bool end_last_line)
      : index_(&index), out_(&out), end_last_line_(end_last_line) {}

  void operator()(LineBreak line_break, Line place, std::string_view line, std::string_view /*after*/) {
    if (end_last_line_) {
      out_->write(index_->appended_line_end(place.end));
      end_last_line_ = false;
    }
    if (line_break == index_->line_break() || index_->first_line_end().empty() || !place.terminated()) {
      out_->write(line);
    } else {
      out_->write(place.text);
      out_->write(index_->first_line_end());
    }
  }

 private:
  const CoordinateIndex* index_;
  StretchOutput* out_;
  bool end_last_line_;  // until the first place is listed
};

}  // namespace

void list_missing_places(Source& genealogy, Source& coordinates, Sink& output, const ListOptions& options) {
  const CoordinateIndex index(coordinates);
  const bool end_last_line = options.appending && index.ends_mid_line();
  find_missing_places(genealogy, index, output,
                      [&](StretchOutput& out) { return ListWriter(index, out, end_last_line); });
}

namespace {

// The value of the FORM line at the start of `bytes`, right under a place
// line.
std::string_view own_form(LineBreak line_break, Line place, std::string_view bytes) {
  return place_form_under(bytes.data(), bytes.data() + bytes.size(), line_break, place_line_level(place.text));
}

// Gathers the missing places with their own forms. A place line that ends
// its stretch has the line after it at the start of the next one.
class PlaceGatherer {
 public:
  explicit PlaceGatherer(MissingPlaces& places) : places_(&places) {}

  void stretch_begins(LineBreak line_break, std::string_view bytes) {
    if (!awaiting_form_) return;
    places_->forms.back() = own_form(line_break, Line{places_->lines.back(), {}}, bytes);
    awaiting_form_ = false;
  }

  void operator()(LineBreak line_break, Line place, std::string_view /*line*/, std::string_view after) {
    if (places_->lines.empty()) places_->first_line_end = place.end;
    places_->lines.emplace_back(place.text);
    places_->forms.emplace_back(own_form(line_break, place, after));
    awaiting_form_ = after.empty();
  }

 private:
  MissingPlaces* places_;
  bool awaiting_form_ = false;  // the last place gathered ended its stretch
};

}  // namespace

MissingPlaces missing_places(Source& genealogy, const CoordinateIndex& index) {
  MissingPlaces places;
  NoOutput nothing;
  find_missing_places(genealogy, index, nothing, [&](StretchOutput& /*out*/) { return PlaceGatherer(places); });
  return places;
}

}  // namespace platsmarkeraren
