// The United States: states by name, postal code, traditional
// abbreviation and Swedish name; counties with or without their word
// ("Knox Co.", "Knox County", "Knox"), Louisiana's parishes among them.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

using Alias = CountryRules::Alias;

constexpr std::string_view kFirstLevelWords[] = {"state"};
constexpr std::string_view kSecondLevelWords[] = {"county", "co.", "co", "cnty", "parish", "borough", "census area"};

// Keys as the ASCII key spells them: lowercase, a closing point kept.
constexpr Alias kStates[] = {
    {"al", "alabama"}, {"ala.", "alabama"}, {"ak", "alaska"}, {"az", "arizona"}, {"ariz.", "arizona"},
    {"ar", "arkansas"}, {"ark.", "arkansas"}, {"ca", "california"}, {"calif.", "california"},
    {"cal.", "california"}, {"kalifornien", "california"}, {"co", "colorado"}, {"colo.", "colorado"},
    {"ct", "connecticut"}, {"conn.", "connecticut"}, {"de", "delaware"}, {"del.", "delaware"},
    {"dc", "district of columbia"}, {"d.c.", "district of columbia"}, {"fl", "florida"}, {"fla.", "florida"},
    {"ga", "georgia"}, {"ga.", "georgia"}, {"hi", "hawaii"}, {"id", "idaho"}, {"il", "illinois"},
    {"ill.", "illinois"}, {"in", "indiana"}, {"ind.", "indiana"}, {"ia", "iowa"}, {"ks", "kansas"},
    {"kans.", "kansas"}, {"kan.", "kansas"}, {"ky", "kentucky"}, {"ky.", "kentucky"}, {"la", "louisiana"},
    {"la.", "louisiana"}, {"me", "maine"}, {"me.", "maine"}, {"md", "maryland"}, {"md.", "maryland"},
    {"ma", "massachusetts"}, {"mass.", "massachusetts"}, {"mi", "michigan"}, {"mich.", "michigan"},
    {"mn", "minnesota"}, {"minn.", "minnesota"}, {"ms", "mississippi"}, {"miss.", "mississippi"},
    {"mo", "missouri"}, {"mo.", "missouri"}, {"mt", "montana"}, {"mont.", "montana"}, {"ne", "nebraska"},
    {"nebr.", "nebraska"}, {"neb.", "nebraska"}, {"nv", "nevada"}, {"nev.", "nevada"}, {"nh", "new hampshire"},
    {"n.h.", "new hampshire"}, {"nj", "new jersey"}, {"n.j.", "new jersey"}, {"nm", "new mexico"},
    {"n. mex.", "new mexico"}, {"n.m.", "new mexico"}, {"ny", "new york"}, {"n.y.", "new york"},
    {"nc", "north carolina"}, {"n.c.", "north carolina"}, {"nordkarolina", "north carolina"},
    {"nd", "north dakota"}, {"n. dak.", "north dakota"}, {"n.d.", "north dakota"}, {"norddakota", "north dakota"},
    {"oh", "ohio"}, {"ok", "oklahoma"}, {"okla.", "oklahoma"}, {"or", "oregon"}, {"oreg.", "oregon"},
    {"ore.", "oregon"}, {"pa", "pennsylvania"}, {"pa.", "pennsylvania"}, {"penn.", "pennsylvania"},
    {"pennsylvanien", "pennsylvania"}, {"ri", "rhode island"}, {"r.i.", "rhode island"}, {"sc", "south carolina"},
    {"s.c.", "south carolina"}, {"sydkarolina", "south carolina"}, {"sd", "south dakota"},
    {"s. dak.", "south dakota"}, {"s.d.", "south dakota"}, {"syddakota", "south dakota"}, {"tn", "tennessee"},
    {"tenn.", "tennessee"}, {"tx", "texas"}, {"tex.", "texas"}, {"ut", "utah"}, {"vt", "vermont"},
    {"vt.", "vermont"}, {"va", "virginia"}, {"va.", "virginia"}, {"virginien", "virginia"}, {"wa", "washington"},
    {"wash.", "washington"}, {"wv", "west virginia"}, {"w. va.", "west virginia"}, {"vastvirginien", "west virginia"},
    {"wi", "wisconsin"}, {"wis.", "wisconsin"}, {"wisc.", "wisconsin"}, {"wy", "wyoming"}, {"wyo.", "wyoming"},
};

}  // namespace

const CountryRules& united_states_rules() {
  static const CountryRules rules({.country = "US",
                                      .first_level_words = kFirstLevelWords,
                                      .second_level_words = kSecondLevelWords,
                                      .aliases = kStates,
                                      .aliases_name_alone = true});
  return rules;
}

}  // namespace platsmarkeraren
