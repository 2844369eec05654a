#include "core/tree_encoding.hpp"

#include <algorithm>
#include <iterator>
#include <optional>

#include "core/letters.hpp"
#include "core/line.hpp"
#include "core/tree_header.hpp"

namespace platsmarkeraren {

namespace {

// ANSEL's spacing letters from 0xA1; 0 where a byte holds none of use here.
constexpr char16_t kAnselLetters[] = {
    0x0141, 0x00D8, 0x0110, 0x00DE, 0x00C6, 0x0152, 0x02B9, 0x00B7, 0x266D, 0x00AE, 0x00B1, 0x01A0,
    0x01AF, 0x02BC, 0,      0x02BB, 0x0142, 0x00F8, 0x0111, 0x00FE, 0x00E6, 0x0153, 0x02BA, 0x0131,
    0x00A3, 0x00F0, 0,      0x01A1, 0x01B0, 0,      0,      0x00B0, 0x2113, 0x2117, 0x00A9, 0x266F,
    0x00BF, 0x00A1, 0x00DF};

// A combining mark of ANSEL with the letters it joins into one: the letter
// `bases[i]` under the mark is `letters[i]`.
struct AnselMark {
  unsigned char byte;
  std::string_view bases;
  std::u16string_view letters;
};
constexpr AnselMark kAnselMarks[] = {
    {0xE1, "AEIOUaeiou", u"\u00C0\u00C8\u00CC\u00D2\u00D9\u00E0\u00E8\u00EC\u00F2\u00F9"},
    {0xE2, "AEIOUYaeiouy", u"\u00C1\u00C9\u00CD\u00D3\u00DA\u00DD\u00E1\u00E9\u00ED\u00F3\u00FA\u00FD"},
    {0xE3, "AEIOUaeiou", u"\u00C2\u00CA\u00CE\u00D4\u00DB\u00E2\u00EA\u00EE\u00F4\u00FB"},
    {0xE4, "ANOano", u"\u00C3\u00D1\u00D5\u00E3\u00F1\u00F5"},
    {0xE8, "AEIOUaeiouy", u"\u00C4\u00CB\u00CF\u00D6\u00DC\u00E4\u00EB\u00EF\u00F6\u00FC\u00FF"},
    {0xE9, "CSZcsz", u"\u010C\u0160\u017D\u010D\u0161\u017E"},
    {0xEA, "AUau", u"\u00C5\u016E\u00E5\u016F"},
    {0xF0, "Cc", u"\u00C7\u00E7"},
};

// The letter that `mark` and `base` make together; the base alone when
// they make none here, which folds to the same ASCII key.
char32_t compose(unsigned char mark, char base) {
  for (const AnselMark& known : kAnselMarks) {
    const std::size_t at = known.bases.find(base);
    if (known.byte == mark && at != std::string_view::npos) return known.letters[at];
  }
  return static_cast<unsigned char>(base);
}

// The byte of Windows-1252 for `c`: Latin-1's from A0, and the letters and
// marks (the euro, the dashes, Š, Œ) it sets in 80 to 9F.
std::optional<char> windows_1252_byte(char32_t c) {
  if (c >= 0xA0 && c <= 0xFF) return static_cast<char>(c);
  for (unsigned byte = 0x80; byte < 0xA0; ++byte) {
    if (windows_1252(static_cast<unsigned char>(byte)) == c) return static_cast<char>(byte);
  }
  return std::nullopt;
}

std::string decode_ansel(std::string_view bytes) {
  std::string text;
  unsigned char mark = 0;
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    if (byte >= 0xE0) {
      mark = byte;  // waits for its letter
    } else if (byte < 0x80) {
      append_utf8(text, mark != 0 ? compose(mark, b) : byte);
      mark = 0;
    } else if (byte >= 0xA1 && byte < 0xA1 + std::size(kAnselLetters) && kAnselLetters[byte - 0xA1] != 0) {
      append_utf8(text, kAnselLetters[byte - 0xA1]);
      mark = 0;
    }
  }
  return text;
}

std::optional<std::string> encode_ansel_letter(char32_t c) {
  for (const AnselMark& known : kAnselMarks) {
    const std::size_t at = known.letters.find(static_cast<char16_t>(c));
    if (c < 0x10000 && at != std::u16string_view::npos) return std::string{static_cast<char>(known.byte), known.bases[at]};
  }
  for (std::size_t i = 0; i < std::size(kAnselLetters); ++i) {
    if (kAnselLetters[i] != 0 && kAnselLetters[i] == c) return std::string(1, static_cast<char>(0xA1 + i));
  }
  return std::nullopt;
}

}  // namespace

std::string_view encoding_name(std::string_view start) { return header_value(start, "CHAR"); }

TreeEncoding tree_encoding(std::string_view start) {
  if (start.starts_with(kByteOrderMark)) return TreeEncoding::utf8;
  std::string name;
  for (const char c : encoding_name(start)) name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  // A file read as bytes that says UNICODE was not saved as UTF-16, which is
  // refused before this: it is UTF-8.
  if (name.empty() || name == "UTF-8" || name == "UTF8" || name == "UNICODE") return TreeEncoding::utf8;
  if (name == "ANSEL") return TreeEncoding::ansel;
  if (name == "ASCII") return TreeEncoding::ascii;
  // Latin-1 differs from Windows-1252 only in control codes that no name holds.
  constexpr std::string_view kWindows1252Names[] = {"ANSI",       "WINDOWS-1252", "CP1252",  "IBM WINDOWS",
                                                    "ISO-8859-1", "ISO8859-1",    "LATIN1", "LATIN-1"};
  if (std::find(std::begin(kWindows1252Names), std::end(kWindows1252Names), name) != std::end(kWindows1252Names)) {
    return TreeEncoding::windows1252;
  }
  return TreeEncoding::unread;
}

std::string decode(std::string_view bytes, TreeEncoding encoding) {
  if (encoding == TreeEncoding::ansel) return decode_ansel(bytes);
  if (encoding == TreeEncoding::unread) return std::string(bytes);
  std::string text;
  for (std::size_t next = 0; next < bytes.size();) {
    append_utf8(text, encoding != TreeEncoding::windows1252 ? next_code_point(bytes, next)
                                                     : windows_1252(static_cast<unsigned char>(bytes[next++])));
  }
  return text;
}

std::string encode(std::string_view utf8, TreeEncoding encoding) {
  if (encoding == TreeEncoding::utf8) return std::string(utf8);
  std::string bytes;
  for (std::size_t next = 0; next < utf8.size();) {
    const char32_t c = next_code_point(utf8, next);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
      continue;
    }
    if (encoding == TreeEncoding::windows1252) {
      if (const std::optional<char> byte = windows_1252_byte(c)) {
        bytes += *byte;
        continue;
      }
    }
    if (encoding == TreeEncoding::ansel) {
      if (const std::optional<std::string> letter = encode_ansel_letter(c)) {
        bytes += *letter;
        continue;
      }
    }
    const char32_t lower = lowercase(c);
    const std::string_view plain = ascii_spelling(lower);
    if (plain.empty()) {
      bytes += '?';
    } else if (lower != c) {
      for (const char p : plain) bytes += static_cast<char>(p - 32);
    } else {
      bytes += plain;
    }
  }
  return bytes;
}

}  // namespace platsmarkeraren
