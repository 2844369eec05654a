#include "core/letters.hpp"

#include <array>

namespace platsmarkeraren {

namespace {

// The Windows-1252 letters of 0x80 to 0x9F; the five bytes it leaves
// undefined stand for themselves.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The plain letters of U+00E0 to U+00FF; '*' marks those spelled with two
// letters, '-' those that are no letter.
constexpr std::string_view kLatin1Lower = "aaaaaa*ceeeeiiiidnooooo-ouuuuy*y";
// The plain letters of U+0100 to U+017F, in both cases.
constexpr std::string_view kLatinExtendedA =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "Ii**JjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "Oo**RrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZzs";

}  // namespace

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t windows_1252(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

char32_t next_code_point(std::string_view text, std::size_t& next) {
  const auto first = static_cast<unsigned char>(text[next]);
  if (first < 0x80) {
    ++next;
    return first;
  }
  const std::size_t extra = first >= 0xC2 && first < 0xE0 ? 1 : first >= 0xE0 && first < 0xF0 ? 2
                          : first >= 0xF0 && first < 0xF5 ? 3 : 0;
  if (extra == 0 || text.size() - next <= extra) {
    ++next;
    return windows_1252(first);
  }
  char32_t c = first & (0x3FU >> extra);
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto continuation = static_cast<unsigned char>(text[next + i]);
    if ((continuation & 0xC0) != 0x80) {
      ++next;
      return windows_1252(first);
    }
    c = (c << 6) | (continuation & 0x3FU);
  }
  // A longer form than the code point needs (E0 80 AC for a comma), a
  // surrogate or a code point beyond Unicode is no UTF-8 either: read as a
  // letter, it would let bytes pass for a comma or a letter they are not.
  constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kShortest[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    ++next;
    return windows_1252(first);
  }
  next += extra + 1;
  return c;
}

char32_t lowercase(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c < 0x100 || c > 0x17F) return c;
  if (c == 0x130) return 'i';
  if (c == 0x178) return 0xFF;
  // Pairs in Latin Extended-A put the capital first, except in two runs.
  const bool odd_capitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
  return (c % 2 == 1) == odd_capitals ? c + 1 : c;
}

std::string_view ascii_spelling(char32_t c) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz";
  if (c < 0x80) return c >= 'a' && c <= 'z' ? kLetters.substr(c - 'a', 1) : std::string_view();
  if (c == 0xDF) return "ss";
  if (c >= 0xE0 && c <= 0xFF) {
    if (c == 0xE6) return "ae";
    if (c == 0xFE) return "th";
    const char plain = kLatin1Lower[c - 0xE0];
    return plain == '-' ? std::string_view() : kLetters.substr(static_cast<std::size_t>(plain - 'a'), 1);
  }
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x133) return "ij";
    if (c == 0x153) return "oe";
    const char plain = static_cast<char>(kLatinExtendedA[c - 0x100] | 0x20);
    return kLetters.substr(static_cast<std::size_t>(plain - 'a'), 1);
  }
  return {};
}

}  // namespace platsmarkeraren
