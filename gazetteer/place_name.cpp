#include "gazetteer/place_name.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/letters.hpp"
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

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

// Whether a word of a key may be an abbreviation: every one is two to four
// letters from s, f or m.
bool may_abbreviate(std::string_view word) {
  return word.size() >= 2 && word.size() <= 4 && (word[0] == 's' || word[0] == 'f' || word[0] == 'm');
}

// Writes the words of a key out in full, those that another word follows:
// alone, "MT" is Montana, not Mount. A key's words stand one space apart,
// and few are this short, so most keys are only looked through.
void expand_abbreviations(std::string& key) {
  std::size_t word = 0;
  for (std::size_t end = 0; end < key.size(); ++end) {
    if (key[end] != ' ') continue;
    const std::string_view written(key.data() + word, end - word);
    if (may_abbreviate(written)) {
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

// The exact key of a name that is all ASCII, nearly every name of a
// gazetteer, in one pass of plain byte steps: the same key as the letters'
// general way below gives it. False, with `key` unfinished, at the first
// byte past ASCII.
bool ascii_exact_key(std::string_view name, std::string& key) {
  key.clear();
  bool space = false;
  // Whether a word before another may be an abbreviation: only then is the
  // key looked through for one, since nearly no name has any.
  bool abbreviated = false;
  std::size_t word = 0;
  for (const char c : name) {
    if ((c & 0x80) != 0) return false;
    if (c == ' ' || c == '\t' || c == '-') {
      space = !key.empty();
      continue;
    }
    if (space) {
      abbreviated = abbreviated || may_abbreviate(std::string_view(key).substr(word));
      key += ' ';
      word = key.size();
    }
    space = false;
    key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  if (abbreviated) expand_abbreviations(key);
  return true;
}

}  // namespace

void exact_key(std::string_view name, std::string& key) {
  if (ascii_exact_key(name, key)) return;
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
  // An ASCII name's exact key is its ASCII key already.
  if (ascii_exact_key(name, key)) return;
  exact_key(name, scratch);
  ascii_key(scratch, key);
}

void add_key_once(std::vector<std::string>& keys, std::string_view key) {
  if (!key.empty() && std::find(keys.begin(), keys.end(), key) == keys.end()) keys.emplace_back(key);
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
