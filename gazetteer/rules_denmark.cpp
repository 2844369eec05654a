// Denmark: the five regions of 2007 by their Danish and English names, and
// the amter of 1970–2006 brought to the regions that cover them; the Danish
// parish words.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

using Alias = CountryRules::Alias;

constexpr std::string_view kFirstLevelWords[] = {"amt", "region"};
constexpr std::string_view kSecondLevelWords[] = {"kommune", "herred"};

constexpr Alias kRegions[] = {
    {"kobenhavns", "hovedstaden"},   {"kobenhavn", "hovedstaden"},    {"frederiksborg", "hovedstaden"},
    {"bornholms", "hovedstaden"},    {"bornholm", "hovedstaden"},     {"roskilde", "sjaelland"},
    {"vestsjaellands", "sjaelland"}, {"storstroms", "sjaelland"},     {"fyns", "syddanmark"},
    {"sonderjyllands", "syddanmark"}, {"ribe", "syddanmark"},         {"vejle", "syddanmark"},
    {"vejle", "midtjylland"},        {"ringkobing", "midtjylland"},   {"arhus", "midtjylland"},
    {"aarhus", "midtjylland"},       {"viborg", "midtjylland"},       {"viborg", "nordjylland"},
    {"nordjyllands", "nordjylland"}, {"capital region", "hovedstaden"}, {"zealand", "sjaelland"},
    {"southern denmark", "syddanmark"}, {"central jutland", "midtjylland"}, {"north jutland", "nordjylland"},
};

constexpr std::string_view kParishWords[] = {"sogn", "kirke", "herred"};

}  // namespace

const CountryRules& denmark_rules() {
  static const CountryRules rules({.country = "DK",
                                 .first_level_words = kFirstLevelWords,
                                 .second_level_words = kSecondLevelWords,
                                 .aliases = kRegions,
                                 .parish_words = kParishWords});
  return rules;
}

}  // namespace platsmarkeraren
