// The program's two texts, byte for byte; each goes to standard error in one
// write.
#pragma once

#include <string_view>

namespace platsmarkeraren {

inline constexpr std::string_view kUsageText =
    "\nusage: Platsmarkeraren |-r| <infil> <koordinatfil> <utfil>\n"
    "Option -r riktar om output till stdout\n\n";
static_assert(kUsageText.size() == 100);

inline constexpr std::string_view kVersionText = "\nv1.0 - 181227.0919 qv\n\n";
static_assert(kVersionText.size() == 24);

}  // namespace platsmarkeraren
