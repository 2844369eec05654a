// How two spellings of a place's name are found to be the same name: the
// tree's place text and a gazetteer row's names are brought to one key by
// the same steps, so a rule never holds on one side only.
//
// The exact key is the name in lowercase letters, with hyphens and runs of
// blanks as one space. The ASCII key is the exact key with every letter
// folded to its plain Latin spelling (ä to a, ø to o, æ to ae): "Gavle"
// finds Gävle through it. Abbreviations are written out in both (St. Paul
// is Saint Paul, S:t Olof is Sankt Olof). A parish word of any country's
// rules that ends the name ("Rasbo sn", "Hofors församling", "Mora kyrka",
// "Gävle kommun", "Vang sogn") is not part of it; the name before such a
// word may stand in the genitive ("Stora Kopparbergs församling"), so it
// has a second form without the s.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platsmarkeraren {

// Writes the exact key of a UTF-8 name into `key`.
void exact_key(std::string_view name, std::string& key);

// Writes the ASCII key of an exact key into `key`.
void ascii_key(std::string_view exact, std::string& key);

// Writes the ASCII key of a UTF-8 name into `key`: the same as ascii_key
// of its exact key, in one step for the names that are ASCII already,
// nearly all of a gazetteer's. `scratch` holds the exact key of others.
void ascii_name_key(std::string_view name, std::string& key, std::string& scratch);

// Adds `key` to `keys` unless it is empty or stands there already: the
// forms of a name are tried in the order first found.
void add_key_once(std::vector<std::string>& keys, std::string_view key);

// A name that stands in the genitive without its closing s ("kopparbergs"
// is "kopparberg"); empty when it has none to take off.
std::string_view genitive_stem(std::string_view name);

// A key with a closing parish word taken off: `stem` is the key before the
// word, `genitive_stem` the stem without a closing s when it has one and a
// word was taken. Both are empty when there was no parish word.
struct ParishForms {
  std::string_view stem;
  std::string_view genitive_stem;
};
ParishForms parish_forms(std::string_view key);

// The forms of one key that a name may be found by, most literal first:
// the key, then its stems; duplicates and empty forms are left out.
struct KeyForms {
  std::string_view forms[3];
  int count = 0;
};
KeyForms key_forms(std::string_view key);

}  // namespace platsmarkeraren
