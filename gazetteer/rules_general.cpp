// Every other country of GeoNames: its divisions by their names, with or
// without the English words for them.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

constexpr std::string_view kFirstLevelWords[] = {"province", "state", "region"};
constexpr std::string_view kSecondLevelWords[] = {"county", "district", "municipality"};

}  // namespace

const CountryRules& general_rules() {
  static const CountryRules rules({.country = "",
                                 .first_level_words = kFirstLevelWords,
                                 .second_level_words = kSecondLevelWords});
  return rules;
}

}  // namespace platsmarkeraren
