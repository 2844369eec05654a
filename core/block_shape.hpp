// The five lines a drafted block is made of. When every block of the
// coordinate file has the same shape (the same levels and tags, one LATI
// and one LONG in the same places), a draft follows it: a line that is the
// same in every block is kept as it stands, LATI and LONG are filled in,
// and a line of level 3 that differs from block to block (a FORM naming
// the kind of place, a note) becomes a NOTE on the source. Otherwise, and
// for a file without blocks, the shape is MAP, LATI, LONG, a NOTE on the
// source and a line under it crediting those it comes from. MAP, LATI and
// LONG are never made into other lines: a file whose blocks vary there, or
// whose MAP does not hold its LATI and LONG, gets the standard shape.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/line.hpp"

namespace platsmarkeraren {

class BlockShape {
 public:
  // The shape of the blocks of a coordinate file's text.
  static BlockShape of(std::string_view file, LineBreak line_break);

  // The five lines of a block, without line ends. `latitude` and
  // `longitude` are values such as "N60.5667"; `source` tells where they
  // come from, and `credit`, under it, whom they are owed to.
  std::vector<std::string> block(std::string_view latitude, std::string_view longitude, std::string_view source,
                                 std::string_view credit) const;

  // Whether the shape is the coordinate file's own, not the standard one.
  bool follows_file() const { return follows_file_; }

 private:
  enum class Fill { keep, latitude, longitude, source, credit };
  struct Slot {
    Fill fill;
    std::string text;  // the line kept, or its level and tag ("4 LATI")
  };

  static BlockShape standard();
  // True when its one MAP, read as every block is, holds the LATI and LONG
  // filled in.
  bool places_its_coordinates() const;

  std::vector<Slot> slots_;
  bool follows_file_ = false;
};

// The line that credits the gazetteer, as its licence asks.
inline constexpr std::string_view kGeoNamesCredit = "GeoNames (geonames.org), CC BY 4.0";

}  // namespace platsmarkeraren
