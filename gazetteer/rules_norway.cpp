// Norway: counties (fylke, before 1919 amt) by their names of 1919–2019,
// their older names, and the counties merged from them since; the
// Norwegian parish words.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

using Alias = CountryRules::Alias;

constexpr std::string_view kFirstLevelWords[] = {"fylke", "amt"};
constexpr std::string_view kSecondLevelWords[] = {"kommune", "herred", "prestegjeld"};

// An old name brings every county that has covered it since.
constexpr Alias kCounties[] = {
    {"smaalenenes", "ostfold"},         {"smaalenene", "ostfold"},        {"ostfold", "viken"},
    {"akershus", "viken"},              {"buskerud", "viken"},            {"hedemarkens", "hedmark"},
    {"hedemarkens", "innlandet"},       {"hedmark", "innlandet"},         {"kristians", "oppland"},
    {"kristians", "innlandet"},         {"oppland", "innlandet"},         {"jarlsberg og larviks", "vestfold"},
    {"jarlsberg og larviks", "vestfold og telemark"}, {"vestfold", "vestfold og telemark"},
    {"bratsberg", "telemark"},          {"bratsberg", "vestfold og telemark"}, {"telemark", "vestfold og telemark"},
    {"nedenes", "aust agder"},          {"nedenes", "agder"},             {"aust agder", "agder"},
    {"lister og mandals", "vest agder"}, {"lister og mandals", "agder"},  {"vest agder", "agder"},
    {"stavanger", "rogaland"},          {"sondre bergenhus", "hordaland"}, {"sondre bergenhus", "vestland"},
    {"hordaland", "vestland"},          {"nordre bergenhus", "sogn og fjordane"}, {"nordre bergenhus", "vestland"},
    {"sogn og fjordane", "vestland"},   {"romsdals", "more og romsdal"},  {"sondre trondhjems", "sor trondelag"},
    {"sondre trondhjems", "trondelag"}, {"sor trondelag", "trondelag"},   {"nordre trondhjems", "nord trondelag"},
    {"nordre trondhjems", "trondelag"}, {"nord trondelag", "trondelag"},  {"tromso", "troms"},
    {"tromso", "troms og finnmark"},    {"troms", "troms og finnmark"},   {"finmarkens", "finnmark"},
    {"finmarkens", "troms og finnmark"}, {"finnmark", "troms og finnmark"}, {"kristiania", "oslo"},
    {"christiania", "oslo"},
};

constexpr std::string_view kParishWords[] = {"sogn", "sokn", "prestegjeld", "kirke", "herred"};

}  // namespace

const CountryRules& norway_rules() {
  static const CountryRules rules({.country = "NO",
                                .first_level_words = kFirstLevelWords,
                                .second_level_words = kSecondLevelWords,
                                .aliases = kCounties,
                                .parish_words = kParishWords});
  return rules;
}

}  // namespace platsmarkeraren
