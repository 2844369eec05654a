#include "gazetteer/place_form.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include "core/gedcom_line.hpp"
#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

namespace {

// The words of forms, as ASCII keys, in Swedish and English: the programs
// Swedish genealogists use write one or the other.
constexpr std::pair<std::string_view, PartRole> kRoleWords[] = {
    {"stad", PartRole::town},           {"city", PartRole::town},
    {"town", PartRole::town},           {"ort", PartRole::town},
    {"socken", PartRole::parish},       {"forsamling", PartRole::parish},
    {"parish", PartRole::parish},       {"gard", PartRole::within},
    {"by", PartRole::within},           {"farm", PartRole::within},
    {"village", PartRole::within},      {"hemman", PartRole::within},
    {"harad", PartRole::hundred},       {"hundred", PartRole::hundred},
    {"kommun", PartRole::municipality}, {"municipality", PartRole::municipality},
    {"landskap", PartRole::province},   {"province", PartRole::province},
    {"lan", PartRole::county},          {"county", PartRole::county},
    {"state", PartRole::county},        {"land", PartRole::country},
    {"country", PartRole::country},     {"nation", PartRole::country},
};

PartRole role_of(std::string_view word) {
  std::string key;
  std::string scratch;
  ascii_name_key(word, key, scratch);
  const auto* const found = std::find_if(std::begin(kRoleWords), std::end(kRoleWords),
                                  [&](const auto& known) { return known.first == key; });
  return found != std::end(kRoleWords) ? found->second : PartRole::unknown;
}

}  // namespace

std::vector<std::string_view> comma_parts(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t comma = text.find(',', from);
    parts.push_back(trimmed(text.substr(from, comma == std::string_view::npos ? comma : comma - from)));
    if (comma == std::string_view::npos) return parts;
    from = comma + 1;
  }
}

std::vector<PartRole> read_place_form(std::string_view utf8) {
  const std::vector<std::string_view> words = comma_parts(utf8);
  std::vector<PartRole> roles(words.size());
  std::transform(words.begin(), words.end(), roles.begin(), role_of);
  if (std::all_of(roles.begin(), roles.end(), [](PartRole role) { return role == PartRole::unknown; })) roles.clear();
  return roles;
}

}  // namespace platsmarkeraren
