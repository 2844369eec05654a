// Drafts the coordinate blocks a tree still lacks from a gazetteer
// (ortregister), a GeoNames file: one block for each place the gazetteer
// names beyond doubt, and for the others notes that list the candidates,
// for the user to choose among by hand. The draft is made to be appended
// to the coordinate file.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/reports.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

struct DraftOptions {
  // The draft goes to the end of the coordinate file itself: when that
  // file's last line lacks its line end, the draft begins with one.
  bool appending = false;
  // Told, while the gazetteer is read, how many of its bytes are read.
  std::function<void(std::size_t)> progress = [](std::size_t) {};
};

struct DraftCounts {
  std::size_t resolved = 0;
  std::size_t ambiguous = 0;
  std::size_t unknown = 0;
  // Place lines that name only a country or a division, and get no block.
  std::size_t only_divisions = 0;
  GazetteerCounts passed_over;
};

// A place the draft could not decide, as the page offers it for a choice.
struct UndecidedPlace {
  struct Candidate {
    std::string description;  // name, kind, divisions, country, as the notes name it
    std::string latitude;     // in GEDCOM's form: "N59.8586"
    std::string longitude;
    double latitude_degrees;  // north and east counting up
    double longitude_degrees;
    std::string id;  // the GeoNames id, or the parish register's code
    std::string source;  // "GeoNames" or "Riksarkivet", as notes name the id
  };
  std::string place;  // the place's text, in UTF-8
  std::string why;    // as its note says it
  std::vector<Candidate> candidates;
};

// Coordinates the user chose for an undecided place: a candidate's, or
// typed by hand.
struct ChosenCoordinates {
  std::size_t place;      // the index of the place among the undecided ones
  std::string latitude;   // in GEDCOM's form
  std::string longitude;
  std::string source;     // for the block's note, in UTF-8: "GeoNames 123: ..."
  bool from_gazetteer;    // credits GeoNames, or says they were typed by hand
};

// A draft read, to be written with choices made after: the page shows the
// undecided places, and writes the draft once the user has chosen.
class DraftPlan {
 public:
  // `gazetteer` may be none: the built-in parish register alone drafts.
  DraftPlan(Source& genealogy, Source& coordinates, Source* gazetteer, std::string_view gazetteer_name,
            const DraftOptions& options = {});
  DraftPlan(DraftPlan&&) noexcept;
  DraftPlan& operator=(DraftPlan&&) noexcept;
  ~DraftPlan();

  DraftCounts counts() const;
  // In the order their notes stand in the draft.
  std::vector<UndecidedPlace> undecided() const;
  // Writes the draft as draft_coordinates does, each chosen place getting
  // its block after the others, in the coordinate file's shape.
  void write(std::span<const ChosenCoordinates> chosen, Sink& out) const;

 private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
};

// Writes to `out` the draft for the place lines of the genealogy file that
// have no twin in the coordinate file, those that the list of missing
// places holds, from the built-in parish register and, when one is given,
// a gazetteer: a text that names a Swedish parish takes the register's
// point, and the gazetteer serves the rest. First the blocks, each after its place line as the tree
// writes it, then the notes, each line beginning with "#". A note never
// holds the place marker and follows whole blocks, so that the merge
// neither takes one for a twin nor inserts one into a tree. The draft
// ends its lines as the coordinate file does, or as the tree does when the
// coordinate file has no line end. `gazetteer_name` is how messages name
// the gazetteer.
DraftCounts draft_coordinates(Source& genealogy, Source& coordinates, Source* gazetteer,
                              std::string_view gazetteer_name, Sink& out, const DraftOptions& options = {});

}  // namespace platsmarkeraren
