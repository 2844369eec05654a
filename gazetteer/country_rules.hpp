// How one country's places are written, kept in tables: the words that
// mark its divisions, the other names its divisions go by (codes,
// abbreviations, old names, names in Swedish), its parish words, and whether
// its second-level divisions are places of their own. Each country's rules
// stand in a file of their own; the table in country_rules.cpp lists them,
// and a country without rules of its own reads by the general ones. Every
// key here is an ASCII key (see place_name.hpp).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platsmarkeraren {

class CountryRules {
 public:
  struct Alias {
    std::string_view key;   // as people write it
    std::string_view name;  // as the gazetteer's division row has it
  };
  // What a country's file gives; what it leaves out it has none of.
  struct Tables {
    // The country's ISO code ("SE"); empty for the general rules.
    std::string_view country = {};
    // Words that, closing a part, say that it names a division: "lan",
    // "county", "co"; those of the second level (counties of a state,
    // municipalities) no place shares a name with.
    std::span<const std::string_view> first_level_words = {};
    std::span<const std::string_view> second_level_words = {};
    // Other names of divisions: codes, abbreviations, old names, names in
    // Swedish. A key may stand more than once: a division split since.
    std::span<const Alias> aliases = {};
    bool aliases_name_alone = false;  // an alias, or a division's name, alone names the division
    std::span<const Alias> letters = {};  // county letters: "C" is Uppsala län
    // Words that, closing a place's name, name its parish, church or
    // municipality rather than the place ("sn", "sogn", "kirchspiel").
    std::span<const std::string_view> parish_words = {};
    // The second-level divisions (ADM2 rows) are places in their own right
    // where nothing else of the name is found: Sweden's municipalities.
    bool municipalities_are_places = false;
  };

  explicit CountryRules(const Tables& tables) : tables_(tables) {}

  std::string_view country() const { return tables_.country; }
  std::span<const std::string_view> division_words(bool second_level) const {
    return second_level ? tables_.second_level_words : tables_.first_level_words;
  }

  // The names, as the gazetteer's division rows have them, of the division
  // that `key` names in another way: a code or abbreviation ("minn" is
  // Minnesota), an old name (Kopparberg is Dalarna), a name in Swedish. An
  // old division split since is every division it became. Empty for none.
  std::vector<std::string_view> division_names(std::string_view key) const;

  // Whether `key` alone, as a place's first part, names a first-level
  // division rather than a place: a US state by name or code.
  bool names_division_alone(std::string_view key) const;

  // The division of a letter in parentheses after a place's name, as
  // Swedish genealogists write a county ("Älvkarleby (C)"); empty for none.
  std::string_view division_of_letter(std::string_view letter) const;

  std::span<const std::string_view> parish_words() const { return tables_.parish_words; }
  bool municipalities_are_places() const { return tables_.municipalities_are_places; }

 private:
  Tables tables_;
};

// The rules of every country that has rules of its own, in the table's order.
std::span<const CountryRules* const> all_country_rules();

// The rules of the country with this ISO code: its own, or the general ones.
const CountryRules& country_rules(std::string_view country);

// The keys a division's name is found by, the same for the gazetteer's
// division rows and the parts of a place: the name as it stands, and
// without a division word of any country's rules before or after it
// ("knox county" is "knox"; "landkreis harburg" is "harburg"), and then
// without the genitive s that comes before such a word ("kopparbergs lan"
// is "kopparberg").
struct DivisionForms {
  std::vector<std::string> keys;  // each once, most literal first
  bool said_division = false;     // a division word was taken off
};
DivisionForms division_forms(std::string_view key);

// A country's ISO code by a name people write (Swedish, English or its own,
// as an ASCII key: "sverige", "sweden", "usa", "forenta staterna"); empty
// when the key names no country known here.
std::string_view country_of_name(std::string_view key);

}  // namespace platsmarkeraren
