// Finland: regions by their Finnish and Swedish names, and the provinces
// (län, lääni) before 1997 tried in each region they covered; the Finnish
// and Finland-Swedish parish words.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

using Alias = CountryRules::Alias;

constexpr std::string_view kFirstLevelWords[] = {"lan", "laani", "maakunta"};
constexpr std::string_view kSecondLevelWords[] = {"kunta", "kommun"};

constexpr Alias kRegions[] = {
    {"nyland", "uusimaa"}, {"egentliga finland", "varsinais suomi"}, {"egentliga tavastland", "kanta hame"},
    {"birkaland", "pirkanmaa"}, {"paijanne tavastland", "paijat hame"}, {"kymmenedalen", "kymenlaakso"},
    {"sodra karelen", "etela karjala"}, {"sodra savolax", "etela savo"}, {"norra savolax", "pohjois savo"},
    {"norra karelen", "pohjois karjala"}, {"mellersta finland", "keski suomi"},
    {"sodra osterbotten", "etela pohjanmaa"}, {"osterbotten", "pohjanmaa"},
    {"mellersta osterbotten", "keski pohjanmaa"}, {"norra osterbotten", "pohjois pohjanmaa"},
    {"kajanaland", "kainuu"}, {"lappland", "lappi"},
    // The provinces before 1997.
    {"nylands", "uusimaa"}, {"abo och bjorneborgs", "varsinais suomi"}, {"abo och bjorneborgs", "satakunta"},
    {"tavastehus", "kanta hame"}, {"tavastehus", "paijat hame"}, {"tavastehus", "pirkanmaa"},
    {"viborgs", "etela karjala"}, {"viborgs", "kymenlaakso"}, {"s:t michels", "etela savo"},
    {"kuopio", "pohjois savo"}, {"vasa", "pohjanmaa"}, {"vasa", "etela pohjanmaa"}, {"vasa", "keski pohjanmaa"},
    {"uleaborgs", "pohjois pohjanmaa"}, {"uleaborgs", "kainuu"},
};

constexpr std::string_view kParishWords[] = {"pitäjä", "pitaja", "seurakunta", "socken", "sn", "*församling", "*forsamling"};

}  // namespace

const CountryRules& finland_rules() {
  static const CountryRules rules({.country = "FI",
                                 .first_level_words = kFirstLevelWords,
                                 .second_level_words = kSecondLevelWords,
                                 .aliases = kRegions,
                                 .parish_words = kParishWords});
  return rules;
}

}  // namespace platsmarkeraren
