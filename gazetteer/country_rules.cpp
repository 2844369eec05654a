#include "gazetteer/country_rules.hpp"

#include <algorithm>
#include <utility>

#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

// Each country's rules, from the file of its own.
extern const CountryRules& sweden_rules();
extern const CountryRules& united_states_rules();
extern const CountryRules& norway_rules();
extern const CountryRules& denmark_rules();
extern const CountryRules& finland_rules();
extern const CountryRules& germany_rules();
extern const CountryRules& general_rules();

namespace {

// Country names people write, as ASCII keys: Swedish, English and the
// country's own, then its ISO code.
constexpr std::pair<std::string_view, std::string_view> kCountryNames[] = {
    {"sverige", "SE"}, {"sweden", "SE"}, {"norge", "NO"}, {"norway", "NO"}, {"noreg", "NO"},
    {"danmark", "DK"}, {"denmark", "DK"}, {"finland", "FI"}, {"suomi", "FI"}, {"island", "IS"},
    {"iceland", "IS"}, {"tyskland", "DE"}, {"germany", "DE"}, {"deutschland", "DE"}, {"usa", "US"},
    {"u.s.a.", "US"}, {"u.s.a", "US"}, {"u.s.", "US"}, {"forenta staterna", "US"}, {"amerika", "US"},
    {"nordamerika", "US"}, {"united states", "US"}, {"united states of america", "US"}, {"kanada", "CA"},
    {"canada", "CA"}, {"storbritannien", "GB"}, {"england", "GB"}, {"skottland", "GB"}, {"wales", "GB"},
    {"united kingdom", "GB"}, {"great britain", "GB"}, {"scotland", "GB"}, {"irland", "IE"}, {"ireland", "IE"},
    {"eire", "IE"}, {"ryssland", "RU"}, {"russia", "RU"}, {"rossija", "RU"}, {"estland", "EE"}, {"estonia", "EE"},
    {"eesti", "EE"}, {"lettland", "LV"}, {"latvia", "LV"}, {"latvija", "LV"}, {"litauen", "LT"},
    {"lithuania", "LT"}, {"lietuva", "LT"}, {"polen", "PL"}, {"poland", "PL"}, {"polska", "PL"},
    {"nederlanderna", "NL"}, {"holland", "NL"}, {"netherlands", "NL"}, {"nederland", "NL"}, {"belgien", "BE"},
    {"belgium", "BE"}, {"belgie", "BE"}, {"belgique", "BE"}, {"frankrike", "FR"}, {"france", "FR"},
    {"schweiz", "CH"}, {"switzerland", "CH"}, {"suisse", "CH"}, {"osterrike", "AT"}, {"austria", "AT"},
    {"osterreich", "AT"}, {"italien", "IT"}, {"italy", "IT"}, {"italia", "IT"}, {"spanien", "ES"},
    {"spain", "ES"}, {"espana", "ES"}, {"australien", "AU"}, {"australia", "AU"}, {"nya zeeland", "NZ"},
    {"new zealand", "NZ"}, {"argentina", "AR"}, {"brasilien", "BR"}, {"brazil", "BR"}, {"brasil", "BR"},
    {"sydafrika", "ZA"}, {"south africa", "ZA"}, {"mexiko", "MX"}, {"mexico", "MX"}, {"aland", "AX"},
    {"ahvenanmaa", "AX"},
};

}  // namespace

std::vector<std::string_view> CountryRules::division_names(std::string_view key) const {
  std::vector<std::string_view> names;
  for (const Alias& alias : tables_.aliases) {
    if (alias.key == key) names.push_back(alias.name);
  }
  return names;
}

bool CountryRules::names_division_alone(std::string_view key) const {
  if (!tables_.aliases_name_alone) return false;
  return std::any_of(tables_.aliases.begin(), tables_.aliases.end(),
                     [key](const Alias& alias) { return alias.key == key || alias.name == key; });
}

std::string_view CountryRules::division_of_letter(std::string_view letter) const {
  const auto found = std::find_if(tables_.letters.begin(), tables_.letters.end(),
                                  [letter](const Alias& alias) { return alias.key == letter; });
  return found == tables_.letters.end() ? std::string_view() : found->name;
}

// The countries with rules of their own; adding one is its file and a line here.
std::span<const CountryRules* const> all_country_rules() {
  static const CountryRules* const rules[] = {&sweden_rules(), &united_states_rules(), &norway_rules(),
                                              &denmark_rules(), &finland_rules(), &germany_rules()};
  return rules;
}

const CountryRules& country_rules(std::string_view country) {
  const std::span<const CountryRules* const> all = all_country_rules();
  const auto found =
      std::find_if(all.begin(), all.end(), [country](const CountryRules* rules) { return rules->country() == country; });
  return found == all.end() ? general_rules() : **found;
}

namespace {

// The key without `word` before or after it, or empty when it stands
// neither way.
std::string_view without_word(std::string_view key, std::string_view word) {
  if (key.size() <= word.size() + 1) return {};
  if (key.ends_with(word) && key[key.size() - word.size() - 1] == ' ') return key.substr(0, key.size() - word.size() - 1);
  if (key.starts_with(word) && key[word.size()] == ' ') return key.substr(word.size() + 1);
  return {};
}

}  // namespace

DivisionForms division_forms(std::string_view key) {
  DivisionForms forms;
  add_key_once(forms.keys, key);
  const auto take_words = [&](const CountryRules& rules) {
    for (const bool second_level : {false, true}) {
      for (const std::string_view word : rules.division_words(second_level)) {
        const std::string_view name = without_word(key, word);
        if (name.empty()) continue;
        add_key_once(forms.keys, name);
        add_key_once(forms.keys, genitive_stem(name));
        forms.said_division = true;
      }
    }
  };
  for (const CountryRules* rules : all_country_rules()) take_words(*rules);
  take_words(general_rules());
  return forms;
}

std::string_view country_of_name(std::string_view key) {
  const auto* const found = std::find_if(std::begin(kCountryNames), std::end(kCountryNames),
                                         [key](const auto& country) { return country.first == key; });
  return found == std::end(kCountryNames) ? std::string_view() : found->second;
}

}  // namespace platsmarkeraren
