// A place line as a user would read it, to find the coordinate file's
// place line that was probably meant when a tree's has no twin: the same
// words, whatever their case, spacing, trailing blanks and punctuation.
#pragma once

#include <string>
#include <string_view>

namespace platsmarkeraren {

// Makes `key` the letters and digits of `text`, in small letters (å, ä, ö
// and é too; see core/letters.hpp); other letters are kept as they are.
// `key` is reused from place to place.
void near_twin_key(std::string_view text, std::string& key);

}  // namespace platsmarkeraren
