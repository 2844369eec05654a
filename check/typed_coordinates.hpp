// Coordinates as people copy them from map services and atlases, brought to
// GEDCOM's form: "59.8586, 17.6389", "N59.8586 E17.6389", "59°51′31″N
// 17°38′20″E", with a decimal comma or Swedish letters (Ö, V) too.
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

}  // namespace platsmarkeraren
