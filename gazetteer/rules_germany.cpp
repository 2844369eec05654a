// Germany: states (Land) by their names, districts (Kreis, Landkreis) with or
// without their word; Kirchspiel for a parish.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

constexpr std::string_view kFirstLevelWords[] = {"land", "provinz"};
constexpr std::string_view kSecondLevelWords[] = {"kreis", "landkreis", "regierungsbezirk", "amt"};
constexpr std::string_view kParishWords[] = {"kirchspiel"};

}  // namespace

const CountryRules& germany_rules() {
  static const CountryRules rules({.country = "DE",
                                 .first_level_words = kFirstLevelWords,
                                 .second_level_words = kSecondLevelWords,
                                 .parish_words = kParishWords});
  return rules;
}

}  // namespace platsmarkeraren
