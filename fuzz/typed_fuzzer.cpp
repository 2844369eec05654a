// Fuzzes the reading of typed coordinates, which the page hands whatever
// the user types or pastes. The run stops when a text is read into values
// that the check (-k) would call out of form, or when reading fails other
// than with a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "core/coordinate_value.hpp"
#include "core/typed_coordinates.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto read = platsmarkeraren::read_typed_coordinates(text);
  if (const auto* coordinates = std::get_if<platsmarkeraren::TypedCoordinates>(&read)) {
    if (platsmarkeraren::coordinate_fault("LATI", coordinates->latitude) ||
        platsmarkeraren::coordinate_fault("LONG", coordinates->longitude)) {
      std::abort();
    }
  }
  return 0;
}
