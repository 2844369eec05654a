// Coordinates as people type or paste them, and as genealogy programs
// write them, read into GEDCOM's form: "59.8586, 17.6389",
// "N59.8586 E17.6389", "59°51′31″N 17°38′20″E", degrees and decimal
// minutes, a decimal comma, Swedish letters (Ö, V) too.
#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace platsmarkeraren {

struct TypedCoordinates {
  std::string latitude;   // "N59.8586"
  std::string longitude;  // "E17.6389"
};

// The coordinates `text` gives, or what is wrong with it, in Swedish. Two
// numbers without letters are the latitude, then the longitude; a minus
// sign is south or west.
std::variant<TypedCoordinates, std::string> read_typed_coordinates(std::string_view text);

// One value of a LATI or LONG line (`tag`) as genealogy programs write it
// ("-22.564934", "60.7306N", "45°55'25\"N", "N60,6065"), in GEDCOM's form;
// or, when it cannot be read, what is wrong with it, in Swedish.
struct TypedValue {
  std::string gedcom;  // "S22.564934"; empty when the value cannot be read
  std::string fault;
};
TypedValue read_typed_value(std::string_view tag, std::string_view value);

}  // namespace platsmarkeraren
