// Sweden: counties (län) by today's letters and names, and by those of the
// counties merged since; municipalities (kommun) as places where nothing
// else of the name is found; the Swedish parish words.
#include "gazetteer/country_rules.hpp"

namespace platsmarkeraren {

namespace {

using Alias = CountryRules::Alias;

constexpr std::string_view kFirstLevelWords[] = {"lan"};
constexpr std::string_view kSecondLevelWords[] = {"kommun"};

// Historical county names, brought to the county that covers them today.
constexpr Alias kOldCounties[] = {
    {"stockholms stad", "stockholm"}, {"kristianstad", "skane"},        {"malmohus", "skane"},
    {"goteborgs och bohus", "vastra gotaland"}, {"goteborg och bohus", "vastra gotaland"},
    {"alvsborg", "vastra gotaland"}, {"skaraborg", "vastra gotaland"}, {"kopparberg", "dalarna"},
};

// Today's county letters and the historical ones.
constexpr Alias kLetters[] = {
    {"ab", "stockholm"},      {"a", "stockholm"},   {"b", "stockholm"},      {"c", "uppsala"},
    {"d", "sodermanland"},    {"e", "ostergotland"}, {"f", "jonkoping"},     {"g", "kronoberg"},
    {"h", "kalmar"},          {"i", "gotland"},     {"k", "blekinge"},       {"l", "skane"},
    {"m", "skane"},           {"n", "halland"},     {"o", "vastra gotaland"}, {"p", "vastra gotaland"},
    {"r", "vastra gotaland"}, {"s", "varmland"},    {"t", "orebro"},         {"u", "vastmanland"},
    {"w", "dalarna"},         {"x", "gavleborg"},   {"y", "vasternorrland"}, {"z", "jamtland"},
    {"ac", "vasterbotten"},   {"bd", "norrbotten"},
};

// As the name's key spells them: in lowercase, with their letters.
constexpr std::string_view kParishWords[] = {"sn", "sn.", "socken", "förs", "förs.", "fors.", "kyrka", "kommun",
                                             "*församling", "*forsamling"};

}  // namespace

const CountryRules& sweden_rules() {
  static const CountryRules rules({.country = "SE",
                                .first_level_words = kFirstLevelWords,
                                .second_level_words = kSecondLevelWords,
                                .aliases = kOldCounties,
                                .letters = kLetters,
                                .parish_words = kParishWords,
                                .municipalities_are_places = true});
  return rules;
}

}  // namespace platsmarkeraren
