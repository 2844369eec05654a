// Writes a GeoNames-format gazetteer of a given number of rows, shaped like
// the world file (allCountries.txt: about 12 million rows, 1.5 GB), and a
// genealogy file whose places are written as Swedish genealogists write
// them, drawn from the gazetteer's Swedish rows, some misspelt and some
// unknown. The same numbers always give the same bytes.
//
//     generate_gazetteer <rows> <gazetteer> <tree> [places]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Swedish-looking syllables, some with the letters the matching folds.
constexpr std::string_view kStarts[] = {"Al", "Ber", "Bo", "Da", "Ed", "Fa", "Gäv", "Hå", "Is", "Ju", "Kar",
                                        "Lin", "Mo", "Nor", "Ov", "Ra", "Sö", "Tå", "Up", "Vä", "Ås", "Ör",
                                        "Ste", "Kvi", "Bro", "Hal", "Sjö", "Sol", "Vik", "Ny"};
constexpr std::string_view kMiddles[] = {"", "", "", "s", "e", "ne", "ar", "sa", "la", "ke", "ber", "ri"};
constexpr std::string_view kEnds[] = {"by", "sta", "holm", "berg", "ås", "tuna", "vik", "köping", "hult",
                                      "ryd", "torp", "näs", "bro", "fors", "lunda", "hem", "ö", "dal"};
constexpr std::string_view kOtherStarts[] = {"San", "Nov", "Kra", "Mar", "Pol", "Ber", "Lis", "Tok", "Ri",
                                             "Cam", "Ny", "Os", "Ham", "Val", "Dun", "Kil", "Zar", "Pet"};
constexpr std::string_view kOtherEnds[] = {"ville", "grad", "burg", "ton", "ia", "ovo", "ingen", "stad",
                                           "field", "heim", "ec", "ora", "o", "an"};
constexpr std::string_view kCounties[] = {"Stockholms län", "Uppsala län", "Södermanlands län", "Östergötlands län",
                                          "Jönköpings län", "Kronobergs län", "Kalmar län", "Gotlands län",
                                          "Blekinge län", "Skåne län", "Hallands län", "Västra Götalands län",
                                          "Värmlands län", "Örebro län", "Västmanlands län", "Dalarnas län",
                                          "Gävleborgs län", "Västernorrlands län", "Jämtlands län",
                                          "Västerbottens län", "Norrbottens län"};
constexpr std::string_view kLetters[] = {"AB", "C", "D", "E", "F", "G", "H", "I", "K", "M", "N",
                                         "O", "S", "T", "U", "W", "X", "Y", "Z", "AC", "BD"};
constexpr std::size_t kSwedishCounties = std::size(kCounties);

// Feature class and code, by share in a thousand, roughly as in the world file.
struct Feature {
  const char* feature_class;
  const char* code;
  int per_mille;
};
constexpr Feature kFeatures[] = {
    {"P", "PPL", 330}, {"P", "PPLX", 20}, {"P", "PPLA3", 10}, {"S", "CH", 25}, {"S", "FRM", 80},
    {"S", "HTL", 50},  {"S", "SCH", 45},  {"H", "STM", 110},  {"H", "LK", 90}, {"T", "MT", 80},
    {"T", "HLL", 50},  {"A", "ADM2", 8},  {"A", "ADM3", 20},  {"A", "PRSH", 2}, {"L", "AREA", 30},
    {"R", "RD", 20},   {"V", "FRST", 20}, {"U", "SMU", 10}};

class Generator {
 public:
  std::string name(bool swedish) {
    const auto pick = [this](const auto& list) { return std::string(list[random_() % std::size(list)]); };
    std::string text = swedish ? pick(kStarts) + pick(kMiddles) + pick(kEnds) : pick(kOtherStarts) + pick(kOtherEnds);
    if (random_() % 8 == 0) text = (swedish ? "Stora " : "Nova ") + text;
    return text;
  }
  std::uint64_t below(std::uint64_t n) { return random_() % n; }
  double coordinate(double low, double high) { return low + (high - low) * static_cast<double>(random_() % 1000000) / 1e6; }

 private:
  std::mt19937_64 random_{20261208};
};

// A plain spelling, as GeoNames' asciiname column gives it.
std::string ascii(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      plain += text[i];
    } else if (byte == 0xC3 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[++i]);
      plain += (next == 0xA5 || next == 0xA4) ? 'a' : (next == 0x85 || next == 0x84) ? 'A' : (next == 0xB6) ? 'o' : 'O';
    }
  }
  return plain;
}

struct SwedishPlace {
  std::string name;
  std::size_t county;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: generate_gazetteer <rows> <gazetteer> <tree> [places]\n", stderr);
    return 1;
  }
  const std::size_t rows = std::strtoull(argv[1], nullptr, 10);
  const std::size_t tree_places = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 2000;
  std::FILE* gazetteer = std::fopen(argv[2], "wb");
  std::FILE* tree = std::fopen(argv[3], "wb");
  if (gazetteer == nullptr || tree == nullptr) return 1;
  Generator generator;
  std::vector<SwedishPlace> swedish;
  std::string row;
  for (std::size_t i = 0; i < kSwedishCounties; ++i) {
    std::fprintf(gazetteer, "%zu\t%s\t%s\t\t60.0\t15.0\tA\tADM1\tSE\t\t%02zu\t\t\t\t100000\t\t0\tEurope/Stockholm\t2024-01-15\n",
                 8000000 + i, std::string(kCounties[i]).c_str(), ascii(kCounties[i]).c_str(), i + 1);
  }
  for (std::size_t id = 1; id <= rows; ++id) {
    // About one row in a hundred is Swedish, as in the world file.
    const bool in_sweden = generator.below(100) == 0;
    int share = static_cast<int>(generator.below(1000));
    const Feature* feature = &kFeatures[0];
    for (const Feature& f : kFeatures) {
      feature = &f;
      if ((share -= f.per_mille) < 0) break;
    }
    const std::string name = generator.name(in_sweden);
    std::string alternates;
    const std::uint64_t kind = generator.below(100);
    const std::uint64_t count = kind < 75 ? 0 : kind < 95 ? 1 + generator.below(4) : 10 + generator.below(50);
    // Alternate names spell the row's own name in other languages.
    constexpr std::string_view kSpellings[] = {"", "a", "o", "en", "e", "-ville", "i", "as", "um", "y"};
    for (std::uint64_t n = 0; n < count; ++n) {
      if (!alternates.empty()) alternates += ',';
      alternates += name + std::string(kSpellings[n % std::size(kSpellings)]) + (n >= 10 ? std::to_string(n) : "");
    }
    const std::size_t county = generator.below(kSwedishCounties);
    const double latitude = in_sweden ? generator.coordinate(55.3, 69.0) : generator.coordinate(-60, 75);
    const double longitude = in_sweden ? generator.coordinate(11.0, 24.0) : generator.coordinate(-180, 180);
    const std::string country = in_sweden ? "SE" : std::string{static_cast<char>('A' + generator.below(26)),
                                                               static_cast<char>('A' + generator.below(26))};
    row.resize(0);
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "\t%.5f\t%.5f\t", latitude, longitude);
    row.append(std::to_string(id)).append("\t").append(name).append("\t").append(ascii(name)).append("\t");
    row.append(alternates).append(numbers).append(feature->feature_class).append("\t").append(feature->code);
    row.append("\t").append(country).append("\t\t");
    char rest[160];
    std::snprintf(rest, sizeof rest, "%02zu\t%04llu\t\t\t%llu\t\t%llu\t%s\t2023-0%llu-1%llu\n", county + 1,
                  static_cast<unsigned long long>(generator.below(10000)),
                  static_cast<unsigned long long>(generator.below(50000)),
                  static_cast<unsigned long long>(generator.below(900)),
                  in_sweden ? "Europe/Stockholm" : "Europe/Paris",
                  static_cast<unsigned long long>(1 + generator.below(9)),
                  static_cast<unsigned long long>(generator.below(10)));
    row.append(rest);
    std::fwrite(row.data(), 1, row.size(), gazetteer);
    const std::string_view code = feature->code;
    if (in_sweden && (code == "PPL" || code == "PRSH" || code == "CH")) swedish.push_back({name, county});
  }

  // The tree: each place written in one of the ways genealogists write it.
  std::fputs("0 HEAD\n1 CHAR UTF-8\n", tree);
  for (std::size_t i = 0; i < tree_places && !swedish.empty(); ++i) {
    const SwedishPlace& place = swedish[generator.below(swedish.size())];
    const std::string county(kCounties[place.county]);
    std::string text;
    switch (generator.below(8)) {
      case 0: text = place.name; break;
      case 1: text = place.name + " sn, " + county + ", Sverige"; break;
      case 2: text = place.name + " (" + std::string(kLetters[place.county]) + ")"; break;
      case 3: text = ascii(place.name) + ", " + county; break;
      case 4: text = place.name + " socken, " + county.substr(0, county.find(' ')); break;
      case 5: text = place.name + ", " + county + ", Sverige"; break;
      case 6: text = generator.name(true) + "x, " + county; break;  // a place no gazetteer knows
      default: text = place.name + " församling, " + county; break;
    }
    std::fprintf(tree, "0 @I%zu@ INDI\n1 BIRT\n2 DATE 1 JAN 1850\n2 PLAC %s\n", i + 1, text.c_str());
  }
  std::fputs("0 TRLR\n", tree);
  return std::fclose(gazetteer) == 0 && std::fclose(tree) == 0 ? 0 : 1;
}
