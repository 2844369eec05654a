// GEDCOM's form for a place's coordinates: LATI is N or S and then degrees
// from 0 to 90, LONG is E or W and then degrees from 0 to 180, with a
// decimal point and nothing else. Programs that read a value in another
// form put the place at sea, or at 0,0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platsmarkeraren {

// What is wrong with `value` as the value of a LATI or LONG line (`tag`),
// named by its likely cause, in Swedish; nothing when it is in form.
std::optional<std::string> coordinate_fault(std::string_view tag, std::string_view value);

// The degrees that `value`, in form, stands for: north and east count up,
// south and west down. Nothing when the value has a fault.
std::optional<double> coordinate_degrees(std::string_view tag, std::string_view value);

}  // namespace platsmarkeraren
