#include "core/coordinate_value.hpp"

#include "core/degrees.hpp"
#include "core/typed_coordinates.hpp"

namespace platsmarkeraren {

namespace {

struct Axis {
  std::string_view letters;        // the hemispheres, in the order positive, negative
  std::string_view other_letters;  // the other axis's
  int most;                        // degrees
  std::string_view range;
};

constexpr Axis kLatitude{"NS", "EW", 90, "0–90"};
constexpr Axis kLongitude{"EW", "NS", 180, "0–180"};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string quoted(std::string_view tag, std::string_view value) {
  return std::string(tag) + " \"" + std::string(value) + "\" ";
}

// How the value is written in GEDCOM's form, when it can be read as
// another program wrote it: ": skriv S22.5649".
std::string how_to_write(std::string_view tag, std::string_view value, std::string_view lead) {
  const TypedValue typed = read_typed_value(tag, value);
  return typed.gedcom.empty() ? std::string() : std::string(lead) + typed.gedcom;
}

}  // namespace

std::optional<std::string> coordinate_fault(std::string_view tag, std::string_view value) {
  const Axis& axis = tag == "LATI" ? kLatitude : kLongitude;
  if (value.empty()) return std::string(tag) + " saknar värde";
  const char hemisphere = value.front();
  const std::string what = quoted(tag, value);
  if (is_digit(hemisphere) && std::string_view("NSEW").find(value.back()) != std::string_view::npos) {
    return what + "har väderstrecket sist, GEDCOM vill ha det först" + how_to_write(tag, value, ": skriv ");
  }
  if (is_digit(hemisphere) || hemisphere == '-' || hemisphere == '+') {
    return what + "saknar väderstreck (" + std::string(1, axis.letters[0]) + " eller " + axis.letters[1] + ")" +
           how_to_write(tag, value, ": skriv till exempel ");
  }
  if (axis.other_letters.find(hemisphere) != std::string_view::npos) {
    return what + "har väderstrecket för " + (tag == "LATI" ? "LONG" : "LATI") + ": är LATI och LONG ombytta?";
  }
  if (axis.letters.find(hemisphere) == std::string_view::npos) {
    return what + "börjar inte med " + axis.letters[0] + " eller " + axis.letters[1] + " (versal)";
  }
  const std::string_view degrees = value.substr(1);
  if (degrees.find(',') != std::string_view::npos) {
    std::string pointed(value);
    pointed[pointed.find(',')] = '.';
    return what + "har decimalkomma: GEDCOM kräver decimalpunkt, " + pointed;
  }
  const std::optional<DecimalDegrees> decimal = DecimalDegrees::read(degrees);
  if (!decimal) {
    const std::string written = how_to_write(tag, value, ": skriv ");
    return what + "är inte grader med decimalpunkt" + (written.empty() ? ", som " + std::string(1, axis.letters[0]) + "12.3456" : written);
  }
  if (decimal->beyond(axis.most)) return what + "ligger utanför " + std::string(axis.range) + " grader";
  return std::nullopt;
}

std::optional<double> coordinate_degrees(std::string_view tag, std::string_view value) {
  if (coordinate_fault(tag, value)) return std::nullopt;
  const Axis& axis = tag == "LATI" ? kLatitude : kLongitude;
  const std::optional<Degrees> degrees = Degrees::read(value.substr(1), axis.most);
  if (!degrees) return std::nullopt;
  return value.front() == axis.letters[1] ? -degrees->value() : degrees->value();
}

}  // namespace platsmarkeraren
