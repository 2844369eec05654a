// Bytes of a file shown in a one-line message or a note: a file name, a
// value the check quotes, a gazetteer's name. Control bytes would end the
// line or command the terminal, so they are shown escaped instead.
#pragma once

#include <string>
#include <string_view>

namespace platsmarkeraren {

// `text` with its control bytes escaped: a newline as \n, a tab as \t, the
// others as \x1b and the like. The C1 controls of UTF-8 (U+0080 to U+009F),
// which some terminals obey as well, are shown as \u009b and the like;
// every other byte stands as it is.
std::string printable(std::string_view text);

}  // namespace platsmarkeraren
