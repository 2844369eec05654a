#include "gazetteer/counties.hpp"

#include <span>
#include <utility>

#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

namespace {

using Pair = std::pair<std::string_view, std::string_view>;

constexpr Pair kLetters[] = {
    {"ab", "stockholm"},      {"a", "stockholm"},   {"b", "stockholm"},      {"c", "uppsala"},
    {"d", "sodermanland"},    {"e", "ostergotland"}, {"f", "jonkoping"},     {"g", "kronoberg"},
    {"h", "kalmar"},          {"i", "gotland"},     {"k", "blekinge"},       {"l", "skane"},
    {"m", "skane"},           {"n", "halland"},     {"o", "vastra gotaland"}, {"p", "vastra gotaland"},
    {"r", "vastra gotaland"}, {"s", "varmland"},    {"t", "orebro"},         {"u", "vastmanland"},
    {"w", "dalarna"},         {"x", "gavleborg"},   {"y", "vasternorrland"}, {"z", "jamtland"},
    {"ac", "vasterbotten"},   {"bd", "norrbotten"},
};

constexpr Pair kHistorical[] = {
    {"stockholms stad", "stockholm"},
    {"kristianstad", "skane"},
    {"malmohus", "skane"},
    {"goteborgs och bohus", "vastra gotaland"},
    {"goteborg och bohus", "vastra gotaland"},
    {"alvsborg", "vastra gotaland"},
    {"skaraborg", "vastra gotaland"},
    {"kopparberg", "dalarna"},
};

constexpr Pair kCountries[] = {
    {"sverige", "SE"},  {"sweden", "SE"},   {"norge", "NO"},         {"norway", "NO"},
    {"danmark", "DK"},  {"denmark", "DK"},  {"finland", "FI"},       {"suomi", "FI"},
    {"tyskland", "DE"}, {"germany", "DE"},  {"deutschland", "DE"},   {"estland", "EE"},
    {"island", "IS"},   {"iceland", "IS"},  {"usa", "US"},           {"amerika", "US"},
    {"polen", "PL"},    {"ryssland", "RU"}, {"storbritannien", "GB"}, {"england", "GB"},
};

std::string_view look_up(std::string_view key, std::span<const Pair> table) {
  for (const auto& [name, value] : table) {
    if (name == key) return value;
  }
  return {};
}

}  // namespace

std::string_view county_of_letter(std::string_view text) {
  if (text.empty() || text.size() > 2) return {};
  char lower[2] = {};
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return {};
    lower[i] = static_cast<char>(c | 0x20);
  }
  return look_up({lower, text.size()}, kLetters);
}

CountyForms county_forms(std::string_view key) {
  for (const std::string_view word : {std::string_view(" lan"), std::string_view(" county")}) {
    if (!key.ends_with(word) || key.size() == word.size()) continue;
    const std::string_view name = key.substr(0, key.size() - word.size());
    return {name, genitive_stem(name), true};
  }
  return {key, {}, false};
}

std::string_view todays_county(std::string_view name) {
  const std::string_view today = look_up(name, kHistorical);
  return today.empty() ? name : today;
}

std::string_view country_of(std::string_view key) { return look_up(key, kCountries); }

}  // namespace platsmarkeraren
