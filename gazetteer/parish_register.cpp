#include "gazetteer/parish_register.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>
#include <unordered_map>

#include "core/earth.hpp"
#include "core/gedcom_line.hpp"
#include "gazetteer/country_rules.hpp"
#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A town's stadsförsamling and landsförsamling no farther apart than this
// are the town.
constexpr double kTownKilometres = 10;

// The provinces (landskap), as ASCII keys: they are no counties, and a
// place's text that names one says only that it lies in Sweden.
constexpr std::string_view kProvinces[] = {
    "skane",     "blekinge",   "halland",      "smaland",     "oland",       "gotland",      "vastergotland",
    "ostergotland", "bohuslan", "dalsland",    "varmland",    "narke",       "sodermanland", "vastmanland",
    "uppland",   "dalarna",    "gastrikland",  "halsingland", "harjedalen",  "jamtland",     "medelpad",
    "angermanland", "vasterbotten", "norrbotten", "lappland"};

// The words that end a parish's name, as exact keys: those that leave the
// name in the genitive ("Rasbos församling" is rare, "Stora Kopparbergs
// församling" common), and those that say the landsförsamling or the
// stadsförsamling of a town (the archives' "Arboga Lands", "Arboga Stads").
constexpr std::string_view kParishWords[] = {"sn", "socken", "församling", "forsamling", "förs", "fors", "fs"};
constexpr std::pair<std::string_view, std::string_view> kTownParishWords[] = {
    {"lfs", "lands"},   {"landsförs", "lands"}, {"landsfors", "lands"},
    {"sfs", "stads"},   {"stadsförs", "stads"}, {"stadsfors", "stads"}};
constexpr std::string_view kGluedParishWords[] = {"församling", "forsamling"};

// A hundred (härad) or a municipality (kommun) between a parish and its
// county says no more than the county does: "Rasbo sn, Rasbo härad, C".
bool names_a_hundred_or_municipality(std::string_view key) {
  for (const std::string_view word : {" harad", " hd", " hundred", " kommun"}) {
    if (key.size() > word.size() && key.ends_with(word)) return true;
  }
  return false;
}

std::string exact_of(std::string_view utf8) {
  std::string key;
  exact_key(utf8, key);
  return key;
}

std::string ascii_of(std::string_view exact) {
  std::string key;
  ascii_key(exact, key);
  return key;
}

// "Uppsala län; Skåne län" as its names.
std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t at = std::min(text.find(separator, from), text.size());
    if (at > from) pieces.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  return pieces;
}

// The name's keys, most literal first, with the word that ends a parish's
// name read: "rasbo sn" is "rasbo", "stora kopparbergs församling" also
// "stora kopparberg", "arboga lfs" and "arboga landsförsamling" "arboga
// lands", "uppsala domkyrkoförsamling" "uppsala domkyrko".
void add_name_keys(std::string exact, ParishText& text) {
  while (!exact.empty() && exact.back() == '.') exact.pop_back();
  const std::size_t space = exact.rfind(' ');
  const std::string_view last = space == std::string::npos ? std::string_view() : std::string_view(exact).substr(space + 1);
  const std::string_view before = std::string_view(exact).substr(0, space == std::string::npos ? 0 : space);
  const auto add = [&](std::string_view key) { add_key_once(text.name_keys, key); };
  if (std::find(std::begin(kParishWords), std::end(kParishWords), last) != std::end(kParishWords)) {
    text.parish_word = true;
    add(before);
    add(genitive_stem(before));
    return;
  }
  for (const auto& [word, town] : kTownParishWords) {
    if (last != word) continue;
    text.parish_word = true;
    add(std::string(before) + " " + std::string(town));
    return;
  }
  for (const std::string_view glued : kGluedParishWords) {
    if (!last.ends_with(glued) || last.size() == glued.size()) continue;
    text.parish_word = true;
    add(std::string(before) + " " + std::string(last.substr(0, last.size() - glued.size())));
    return;
  }
  add(exact);
}

// A county letter as people write it in parentheses or as a part: "C",
// "(Z-län)", "AB".
std::string county_letter(std::string_view exact) {
  std::string letters(exact);
  for (const std::string_view word : {" län", " lan", " l"}) {
    if (letters.ends_with(word)) letters.resize(letters.size() - word.size());
  }
  if (letters.empty() || letters.size() > 2 || !std::all_of(letters.begin(), letters.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
    return {};
  }
  std::transform(letters.begin(), letters.end(), letters.begin(), [](char c) { return static_cast<char>(c - 'a' + 'A'); });
  return letters;
}

std::string years_of(int from, int to) {
  if (from == 0 && to == 9999) return {};
  if (from == 0) return "till " + std::to_string(to);
  if (to == 9999) return "från " + std::to_string(from);
  return std::to_string(from) + "–" + std::to_string(to);
}

}  // namespace

struct ParishRegister::Data {
  // A place: parishes of one name that lie within each other's area.
  struct Place {
    GazetteerRow row;  // the latest period's point
    std::vector<ParishMatch::Period> periods;
    std::vector<std::string> letters;
    std::vector<std::string> county_keys;
  };
  std::vector<Place> places;
  std::unordered_map<std::string, std::vector<std::uint32_t>> exact;
  std::unordered_map<std::string, std::vector<std::uint32_t>> ascii;
  std::vector<std::string> county_keys;  // every county name's keys, for reading a text
  std::vector<std::string> letters;      // every county letter
};

namespace {

using Rows = std::vector<const ParishRow*>;

bool later(const ParishRow* a, const ParishRow* b) { return a->to != b->to ? a->to > b->to : a->from > b->from; }

const ParishRow* latest_of(const Rows& rows) { return *std::min_element(rows.begin(), rows.end(), later); }

double radius_of(const ParishRow& row) { return std::sqrt(row.area / kPi); }

// Read digit by digit: the locale's decimal mark does not enter.
double degrees_of(const char* text, int limit) { return Degrees::read(text, limit)->value(); }

EarthPoint point_of(const ParishRow& row) {
  return earth_point(degrees_of(parish_text(row.latitude), 90), degrees_of(parish_text(row.longitude), 180));
}

// The parishes over their periods, by their codes without the last three digits.
std::vector<Rows> parishes() {
  std::unordered_map<std::uint32_t, std::size_t> by_code;
  std::vector<Rows> found;
  for (const ParishRow& row : kParishTable) {
    const auto [at, added] = by_code.try_emplace(row.code / 1000, found.size());
    if (added) found.emplace_back();
    found[at->second].push_back(&row);
  }
  return found;
}

// Parishes of one name joined into places: two are one place when each lies
// within the other's area (the same parish under a new code).
std::vector<Rows> places_of(const std::vector<const Rows*>& namesakes) {
  std::vector<std::size_t> place(namesakes.size());
  std::iota(place.begin(), place.end(), 0);
  const auto root = [&](std::size_t i) {
    while (place[i] != i) i = place[i];
    return i;
  };
  for (std::size_t i = 0; i < namesakes.size(); ++i) {
    const ParishRow& a = *latest_of(*namesakes[i]);
    for (std::size_t j = i + 1; j < namesakes.size(); ++j) {
      const ParishRow& b = *latest_of(*namesakes[j]);
      const double apart = kilometres_between(point_of(a), point_of(b));
      if (apart <= radius_of(a) && apart <= radius_of(b)) place[root(j)] = root(i);
    }
  }
  std::vector<Rows> joined;
  std::unordered_map<std::size_t, std::size_t> index;
  for (std::size_t i = 0; i < namesakes.size(); ++i) {
    const auto [at, added] = index.try_emplace(root(i), joined.size());
    if (added) joined.emplace_back();
    joined[at->second].insert(joined[at->second].end(), namesakes[i]->begin(), namesakes[i]->end());
  }
  return joined;
}

// The keys a row's name is found by: its short name, and the archives' name
// of the period without its tag and parish word.
std::vector<std::string> keys_of(const ParishRow& row) {
  ParishText text;
  std::string_view name = parish_text(row.name);
  name = name.substr(0, name.find(" ("));
  add_name_keys(exact_of(name), text);
  std::vector<std::string> keys{exact_of(parish_text(row.short_name))};
  for (const std::string& key : text.name_keys) add_key_once(keys, key);
  return keys;
}

}  // namespace

ParishRegister::ParishRegister() : data_(std::make_unique<Data>()) {
  // Names in the table's order, so that namesakes are offered in the same
  // order by every build.
  std::unordered_map<std::string, std::size_t> name_index;
  std::vector<std::vector<const Rows*>> by_name;
  const std::vector<Rows> all = parishes();
  for (const Rows& rows : all) {
    const auto [at, added] = name_index.try_emplace(exact_of(parish_text(latest_of(rows)->short_name)), by_name.size());
    if (added) by_name.emplace_back();
    by_name[at->second].push_back(&rows);
  }
  for (const std::vector<const Rows*>& namesakes : by_name) {
    for (Rows& rows : places_of(namesakes)) {
      const ParishRow& latest = *latest_of(rows);
      Data::Place place;
      GazetteerRow& row = place.row;
      row.id = std::to_string(latest.code);
      row.name = parish_text(latest.name);
      row.ascii_name = ascii_of(exact_of(parish_text(latest.name)));
      row.latitude = *Degrees::read(parish_text(latest.latitude), 90);
      row.longitude = *Degrees::read(parish_text(latest.longitude), 180);
      row.kind = PlaceKind::parish;
      row.country = "SE";
      int from = 9999;
      for (const ParishRow* period : rows) {
        from = std::min<int>(from, period->from);
        place.periods.push_back(
            {degrees_of(parish_text(period->latitude), 90), degrees_of(parish_text(period->longitude), 180), radius_of(*period)});
        for (const std::string_view letter : split(parish_text(period->county_letters), " ")) {
          add_key_once(place.letters, letter);
          add_key_once(data_->letters, letter);
        }
        for (const std::string_view county : split(parish_text(period->county_names), "; ")) {
          const DivisionForms forms = division_forms(ascii_of(exact_of(county)));
          for (const std::string& key : forms.keys) {
            add_key_once(place.county_keys, key);
            add_key_once(data_->county_keys, key);
          }
        }
      }
      const std::vector<std::string_view> counties = split(parish_text(latest.county_names), "; ");
      const std::string years = years_of(from, latest.to);
      row.parish_where = std::string(counties.empty() ? "" : counties.back()) + (years.empty() ? "" : ", " + years);
      const auto index = static_cast<std::uint32_t>(data_->places.size());
      for (const ParishRow* period : rows) {
        for (const std::string& key : keys_of(*period)) {
          std::vector<std::uint32_t>& exact = data_->exact[key];
          if (std::find(exact.begin(), exact.end(), index) == exact.end()) exact.push_back(index);
          std::vector<std::uint32_t>& ascii = data_->ascii[ascii_of(key)];
          if (std::find(ascii.begin(), ascii.end(), index) == ascii.end()) ascii.push_back(index);
        }
      }
      data_->places.push_back(std::move(place));
    }
  }
}

ParishRegister::~ParishRegister() = default;

const ParishRegister& ParishRegister::built_in() {
  static const ParishRegister parishes;
  return parishes;
}

ParishText ParishRegister::read(std::string_view utf8, std::span<const PartRole> roles) const {
  ParishText text;
  const std::vector<std::string_view> parts = comma_parts(utf8);
  const auto role = [&](std::size_t part) { return roles.size() == parts.size() ? roles[part] : PartRole::unknown; };
  // The form says the text names a farm, a village or a division: none is
  // a parish, whatever its name.
  if (role(0) == PartRole::within || names_division(role(0))) return text;
  std::string_view name = parts.front();
  const std::size_t open = name.find('(');
  const std::size_t close = open == std::string_view::npos ? open : name.find(')', open);
  if (close != std::string_view::npos) {
    const std::string letter = county_letter(exact_of(trimmed(name.substr(open + 1, close - open - 1))));
    if (std::find(data_->letters.begin(), data_->letters.end(), letter) != data_->letters.end()) {
      text.county_letters.push_back(letter);
      text.swedish = true;
    }
    name = trimmed(name.substr(0, open));
  }
  if (name.empty() || parts.front().empty()) return text;
  add_name_keys(exact_of(name), text);
  text.swedish = text.swedish || text.parish_word;
  for (std::size_t at = 1; at < parts.size(); ++at) {
    const std::string exact = exact_of(parts[at]);
    const std::string key = ascii_of(exact);
    if (key.empty()) continue;
    if (names_place(role(at))) {
      text.names_more = true;
      continue;
    }
    const std::string letter = county_letter(exact);
    const std::vector<std::string> counties = division_forms(key).keys;
    const auto known_county = [&](const std::string& form) {
      return std::find(data_->county_keys.begin(), data_->county_keys.end(), form) != data_->county_keys.end();
    };
    if (const std::string_view country = country_of_name(key); !country.empty()) {
      text.swedish = text.swedish || country == "SE";
      text.abroad = text.abroad || country != "SE";
    } else if (std::find(std::begin(kProvinces), std::end(kProvinces), key) != std::end(kProvinces) ||
               names_a_hundred_or_municipality(key)) {
      text.swedish = true;
    } else if (!letter.empty() && std::find(data_->letters.begin(), data_->letters.end(), letter) != data_->letters.end()) {
      text.county_letters.push_back(letter);
      text.swedish = true;
    } else if (std::any_of(counties.begin(), counties.end(), known_county)) {
      for (const std::string& form : counties) {
        if (known_county(form)) add_key_once(text.county_keys, form);
      }
      text.swedish = true;
    } else if (role(at) == PartRole::country) {
      text.abroad = true;  // a country not known here is not known to be Sweden
    } else if (role(at) != PartRole::hundred && role(at) != PartRole::municipality && role(at) != PartRole::province) {
      text.names_more = true;
    }
  }
  for (const std::string& key : text.name_keys) add_key_once(text.ascii_keys, ascii_of(key));
  return text;
}

ParishMatch ParishRegister::match(const ParishText& text) const {
  ParishMatch found;
  if (text.names_more || text.abroad || text.name_keys.empty()) return found;
  const auto in_county_named = [&](const Data::Place& place) {
    if (text.county_letters.empty() && text.county_keys.empty()) return true;
    const auto has = [](const std::vector<std::string>& keys, const std::string& key) {
      return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    return std::any_of(text.county_letters.begin(), text.county_letters.end(),
                       [&](const std::string& letter) { return has(place.letters, letter); }) ||
           std::any_of(text.county_keys.begin(), text.county_keys.end(),
                       [&](const std::string& key) { return has(place.county_keys, key); });
  };
  using Index = std::unordered_map<std::string, std::vector<std::uint32_t>>;
  // The places of the first key that finds any in the county named.
  const auto look_up = [&](const Index& index, const std::vector<std::string>& keys) {
    std::vector<std::uint32_t> in_county;
    for (const std::string& key : keys) {
      const auto at = index.find(key);
      if (at == index.end()) continue;
      std::copy_if(at->second.begin(), at->second.end(), std::back_inserter(in_county),
                   [&](std::uint32_t place) { return in_county_named(data_->places[place]); });
      if (!in_county.empty()) break;
    }
    return in_county;
  };
  std::vector<std::uint32_t> places = look_up(data_->exact, text.name_keys);
  if (places.empty()) places = look_up(data_->ascii, text.ascii_keys);
  // A town's name alone, where the register has only its stadsförsamling
  // and landsförsamling: the town's, when the two lie together.
  if (places.empty() && !text.parish_word) {
    const std::string& name = text.ascii_keys.front();
    places = look_up(data_->ascii, {name + " stads"});
    const std::vector<std::uint32_t> country = look_up(data_->ascii, {name + " lands"});
    const auto point = [&](std::uint32_t place) {
      const GazetteerRow& row = data_->places[place].row;
      return earth_point(row.latitude.value(), row.longitude.value());
    };
    const bool together = places.size() == 1 && country.size() == 1 &&
                          kilometres_between(point(places.front()), point(country.front())) <= kTownKilometres;
    if (!together) places.insert(places.end(), country.begin(), country.end());
  }
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());
  for (const std::uint32_t place : places) {
    found.places.push_back(&data_->places[place].row);
    found.periods.push_back(data_->places[place].periods);
  }
  return found;
}

}  // namespace platsmarkeraren
