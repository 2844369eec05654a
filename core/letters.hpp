// The letters of a text: code points read from UTF-8 that may hold a few
// Windows-1252 bytes, and the Latin letters' small and plain forms. Every
// comparison of names (the drafts' keys, the check's near twins) and every
// reading of a tree's own encoding goes through these, so a letter is the
// same letter wherever it is compared.
#pragma once

#include <string>
#include <string_view>

namespace platsmarkeraren {

// Appends the UTF-8 bytes of the code point `c`.
void append_utf8(std::string& out, char32_t c);

// Reads the code point of UTF-8 at `next` and moves past it. A byte that
// begins no valid sequence (nor its shortest form) is read as the
// Windows-1252 letter it would be, so a tree that says UTF-8 but holds a few
// ANSI letters still matches.
char32_t next_code_point(std::string_view text, std::size_t& next);

// The Windows-1252 letter of one byte.
char32_t windows_1252(unsigned char byte);

// The lowercase letter of the code point `c`, for the Latin letters.
char32_t lowercase(char32_t c);

// The plain ASCII spelling of a lowercase letter `c`: "a" for ä, "ae" for æ,
// empty for a letter outside the Latin ones.
std::string_view ascii_spelling(char32_t c);

}  // namespace platsmarkeraren
