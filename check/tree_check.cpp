#include "check/tree_check.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "check/near_twin.hpp"
#include "core/coordinate_value.hpp"
#include "core/gedcom_line.hpp"
#include "core/place_maps.hpp"
#include "core/printable.hpp"
#include "core/stretch_workers.hpp"
#include "core/text_set.hpp"
#include "core/used_twins.hpp"

namespace platsmarkeraren {

namespace {

// A finding whose line number is known only once the line breaks of every
// stretch before its own are counted: the workers take stretches side by side.
struct Pending {
  std::size_t stretch;
  std::size_t breaks_before;  // in its stretch, before the line it is about
  std::string place;          // the place line's text, to report each place once; empty for a value's
  std::string text;
};

// What all the workers found, gathered as each one ends.
struct Gathered {
  std::mutex mutex;
  std::vector<Pending> findings;
  std::vector<std::size_t> breaks;  // by stretch
};

class TreeCheck final : public GenealogyVisitor {
 public:
  TreeCheck(const CoordinateIndex& index, UsedTwins::Tables& tables, const NearTwins& near_twins,
            std::string_view coordinate_name, Gathered& gathered)
      : index_(index), used_(tables), near_twins_(near_twins), coordinate_name_(coordinate_name), gathered_(gathered) {}
  TreeCheck(const TreeCheck&) = delete;
  TreeCheck& operator=(const TreeCheck&) = delete;

  ~TreeCheck() override {
    const std::lock_guard<std::mutex> lock(gathered_.mutex);
    std::move(findings_.begin(), findings_.end(), std::back_inserter(gathered_.findings));
    for (const auto& [stretch, breaks] : breaks_) {
      if (gathered_.breaks.size() <= stretch) gathered_.breaks.resize(stretch + 1);
      gathered_.breaks[stretch] = breaks;
    }
  }

  void lines(const Stretch& stretch) override {
    const LineBreak line_break = stretch.line_break;
    const char* const last = stretch.bytes.data() + stretch.bytes.size();
    const std::size_t all = for_each_numbered_place_line(stretch, [&](std::string_view place_line, std::size_t breaks) {
      const Line place = line_break.split(place_line);
      const TwinBlock found = used_.twin_block(place, index_.hash(place));
      if (!found) {
        check_missing(place, stretch.number, breaks);
      } else if (found.has_map() && carries_map(place_line.data() + place_line.size(), last, line_break) &&
                 first_report(place.text)) {
        findings_.push_back({stretch.number, breaks, std::string(place.text),
                             "orten har redan en MAP, och en sammanslagning ger den en andra: "
                             "använd -b för att behålla trädets koordinater"});
      }
      check_own_values(place_line, last, line_break, stretch.number, breaks);
    });
    breaks_.emplace_back(stretch.number, all);
  }

 private:
  bool first_report(std::string_view text) { return reported_.insert(text); }

  // Values of the place's own MAPs that no program reads as they stand,
  // as other programs write them: warned of at their line, with how to
  // write them.
  void check_own_values(std::string_view place_line, const char* last, LineBreak line_break, std::size_t stretch,
                        std::size_t breaks) {
    const char* const own = place_line.data() + place_line.size();
    if (!carries_map(own, last, line_break)) return;
    for_each_map(own, last, line_break, place_line_level(line_break.split(place_line).text),
                 std::numeric_limits<std::size_t>::max(), [&](const MapLines& map) {
                   for (const auto& [tag, value, line] : {std::tuple{"LATI", map.latitude_value(), map.latitude_line},
                                                          std::tuple{"LONG", map.longitude_value(), map.longitude_line}}) {
                     if (line == 0) continue;
                     if (std::optional<std::string> fault = coordinate_fault(tag, value)) {
                       findings_.push_back({stretch, breaks + line, {}, printable(*fault)});
                     }
                   }
                 });
  }

  void check_missing(const Line& place, std::size_t stretch, std::size_t breaks) {
    if (!first_report(place.text)) return;
    near_twin_key(place.text, key_);
    const std::optional<std::size_t> near = near_twins_.find(key_);
    if (!near) return;
    findings_.push_back({stretch, breaks, std::string(place.text),
                         "ingen tvilling i " + coordinate_name_ + "; menade du rad " + std::to_string(*near) + "?"});
  }

  const CoordinateIndex& index_;
  UsedTwins used_;
  const NearTwins& near_twins_;
  std::string coordinate_name_;
  Gathered& gathered_;
  std::vector<Pending> findings_;
  std::vector<std::pair<std::size_t, std::size_t>> breaks_;  // by stretch: its line breaks
  // The places this worker has reported or found fine already, by text.
  TextSet reported_;
  std::string key_;
};

}  // namespace

void check_tree(Source& genealogy, const CoordinateIndex& index, const NearTwins& near_twins,
                std::string_view coordinate_name, Findings& findings) {
  NoOutput nothing;
  Gathered gathered;
  // Every line is held whole, as for the list of missing places, so that a
  // long place line without a twin is seen too.
  const unsigned workers = workers_for(genealogy);
  UsedTwins::Tables tables(index, workers);
  visit_stretches(genealogy, std::numeric_limits<std::size_t>::max(), nothing, workers, [&](StretchOutput&) {
    return std::make_unique<TreeCheck>(index, tables, near_twins, coordinate_name, gathered);
  });
  std::vector<std::size_t> lines_before(gathered.breaks.size() + 1, 0);
  for (std::size_t stretch = 0; stretch < gathered.breaks.size(); ++stretch) {
    lines_before[stretch + 1] = lines_before[stretch] + gathered.breaks[stretch];
  }
  std::sort(gathered.findings.begin(), gathered.findings.end(), [](const Pending& a, const Pending& b) {
    return a.stretch != b.stretch ? a.stretch < b.stretch : a.breaks_before < b.breaks_before;
  });
  // Each worker reported a place once; across workers, the first report wins.
  TextSet reported;
  for (const Pending& pending : gathered.findings) {
    if (!pending.place.empty() && !reported.insert(pending.place)) continue;
    findings.warning(lines_before[pending.stretch] + pending.breaks_before + 1, pending.text);
  }
}

}  // namespace platsmarkeraren
