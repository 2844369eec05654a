#include "gazetteer/place_name.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <utility>
#include <vector>

#include "gazetteer/country_rules.hpp"

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

bool is_blank(char32_t c) { return c == ' ' || c == '\t' || c == 0xA0 || c == '-' || c == 0x2013; }

// The words that name a parish, a church or a municipality rather than the
// place, when they close a name, in any country's rules; a rule's word that
// begins with * is any word that ends so (landsförsamling). Gathered once:
// every gazetteer name of several words is asked about.
struct ParishWords {
  std::vector<std::string_view> words;
  std::vector<std::string_view> endings;
  std::size_t longest = 0;

  ParishWords() {
    for (const CountryRules* rules : all_country_rules()) {
      for (const std::string_view word : rules->parish_words()) {
        if (word.starts_with('*')) {
          endings.push_back(word.substr(1));
        } else {
          words.push_back(word);
          longest = std::max(longest, word.size());
        }
      }
    }
  }
};

bool is_parish_word(std::string_view word) {
  static const ParishWords parish;
  const auto ends = [word](std::string_view ending) { return word.ends_with(ending); };
  return (word.size() <= parish.longest && std::find(parish.words.begin(), parish.words.end(), word) != parish.words.end()) ||
         std::any_of(parish.endings.begin(), parish.endings.end(), ends);
}

// Abbreviations that stand for a whole word in place names, English and
// Swedish: St. Paul is Saint Paul, S:t Olof is Sankt Olof.
constexpr std::pair<std::string_view, std::string_view> kAbbreviations[] = {
    {"st.", "saint"}, {"st", "saint"},   {"ste.", "sainte"}, {"ste", "sainte"},  {"ft.", "fort"},
    {"ft", "fort"},   {"mt.", "mount"},  {"mt", "mount"},    {"s:t", "sankt"},   {"s:ta", "sankta"},
};

// Writes the words of a key out in full, those that another word follows:
// alone, "MT" is Montana, not Mount. A key's words stand one space apart,
// and few are this short, so most keys are only looked through.
void expand_abbreviations(std::string& key) {
  std::size_t word = 0;
  for (std::size_t end = 0; end < key.size(); ++end) {
    if (key[end] != ' ') continue;
    // Every abbreviation is two to four letters from s, f or m.
    const char first = key[word];
    if (end - word >= 2 && end - word <= 4 && (first == 's' || first == 'f' || first == 'm')) {
      const std::string_view written(key.data() + word, end - word);
      for (const auto& [abbreviation, full] : kAbbreviations) {
        if (written != abbreviation) continue;
        key.replace(word, end - word, full);
        end = word + full.size();
        break;
      }
    }
    word = end + 1;
  }
}

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

void exact_key(std::string_view name, std::string& key) {
  key.clear();
  bool space = false;
  for (std::size_t next = 0; next < name.size();) {
    const char32_t c = next_code_point(name, next);
    if (is_blank(c)) {
      space = !key.empty();
      continue;
    }
    if (space) key += ' ';
    space = false;
    append_utf8(key, lowercase(c));
  }
  expand_abbreviations(key);
}

void ascii_key(std::string_view exact, std::string& key) {
  key.clear();
  for (std::size_t next = 0; next < exact.size();) {
    const char32_t c = next_code_point(exact, next);
    const std::string_view plain = ascii_spelling(c);
    if (!plain.empty()) {
      key += plain;
    } else if (c < 0x80) {
      key += static_cast<char>(c);
    } else {
      append_utf8(key, c);  // no Latin letter: it stays as it is
    }
  }
}

void ascii_name_key(std::string_view name, std::string& key, std::string& scratch) {
  key.clear();
  bool space = false;
  // Whether a word before another may be an abbreviation: only then is the
  // key looked through for one, since nearly no name has any.
  bool abbreviated = false;
  std::size_t word = 0;
  for (const char c : name) {
    if ((c & 0x80) != 0) {
      exact_key(name, scratch);
      ascii_key(scratch, key);
      return;
    }
    if (c == ' ' || c == '\t' || c == '-') {
      space = !key.empty();
      continue;
    }
    if (space) {
      const std::size_t length = key.size() - word;
      const char first = key[word];
      abbreviated = abbreviated || (length >= 2 && length <= 4 && (first == 's' || first == 'f' || first == 'm'));
      key += ' ';
      word = key.size();
    }
    space = false;
    key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  if (abbreviated) expand_abbreviations(key);
}

std::string_view genitive_stem(std::string_view name) {
  return name.size() > 1 && name.back() == 's' ? name.substr(0, name.size() - 1) : std::string_view();
}

ParishForms parish_forms(std::string_view key) {
  const std::size_t space = key.rfind(' ');
  if (space == std::string_view::npos || !is_parish_word(key.substr(space + 1))) return {};
  const std::string_view stem = key.substr(0, space);
  return {stem, genitive_stem(stem)};
}

KeyForms key_forms(std::string_view key) {
  KeyForms forms;
  const ParishForms parish = parish_forms(key);
  for (const std::string_view form : {key, parish.stem, parish.genitive_stem}) {
    if (!form.empty()) forms.forms[forms.count++] = form;
  }
  return forms;
}

}  // namespace platsmarkeraren
