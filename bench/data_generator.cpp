#include "bench/data_generator.hpp"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace platsmarkeraren::bench {

namespace {

// splitmix64: tiny and the same on every system, unlike the standard
// library's distributions.
class Random {
 public:
  explicit Random(std::uint64_t state) : state_(state) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  bool chance(unsigned percent) { return below(100) < percent; }
  template <typename T, std::size_t N>
  const T& of(const std::array<T, N>& items) {
    return items[below(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr std::array<std::string_view, 40> kStems = {
    "Å",     "Ös",    "Väs",   "Norr",  "Sö",    "Hä",    "Lill",  "Stor",  "Bjö",  "Frö",
    "Gäv",   "Häll",  "Jär",   "Kå",    "Lö",    "Mä",    "Nä",    "Ore",   "Pä",   "Rä",
    "Sjö",   "Tä",    "Ul",    "Vä",    "Ål",    "Äng",   "Öster", "Berg",  "Dal",  "Ek",
    "Fors",  "Gran",  "Hög",   "Ljung", "Mal",   "Rös",   "Sund",  "Tor",   "Vall", "Ör"};
constexpr std::array<std::string_view, 30> kEndings = {
    "by",   "köping", "åker", "sjö",  "hult", "torp",  "ryd",  "ström", "lösa", "vik",
    "ås",   "näs",    "hög",  "berga", "tuna", "inge", "arp",  "bo",    "ed",   "fors",
    "mo",   "holm",   "stad", "sta",  "ö",    "säter", "hammar", "bäck", "lund", "dala"};
constexpr std::array<std::string_view, 21> kCounties = {
    "Stockholms län",    "Uppsala län",     "Södermanlands län", "Östergötlands län",
    "Jönköpings län",    "Kronobergs län",  "Kalmar län",        "Gotlands län",
    "Blekinge län",      "Skåne län",       "Hallands län",      "Västra Götalands län",
    "Värmlands län",     "Örebro län",      "Västmanlands län",  "Dalarnas län",
    "Gävleborgs län",    "Västernorrlands län", "Jämtlands län", "Västerbottens län",
    "Norrbottens län"};
constexpr std::array<std::string_view, 12> kQualifiers = {
    "", "Övre ", "Nedre ", "Västra ", "Östra ", "Södra ", "Norra ", "Stora ", "Lilla ", "Gamla ",
    "Nya ", "Mellersta "};
constexpr std::array<std::string_view, 16> kMen = {
    "Anders", "Erik", "Johan", "Per", "Lars", "Olof", "Karl", "Nils",
    "Sven", "Gustaf", "Jöns", "Måns", "Pål", "Håkan", "Göran", "Jonas"};
constexpr std::array<std::string_view, 16> kWomen = {
    "Anna", "Maria", "Kajsa", "Brita", "Karin", "Stina", "Märta", "Ingrid",
    "Greta", "Elsa", "Sofia", "Lovisa", "Ulrika", "Kerstin", "Börta", "Åsa"};
constexpr std::array<std::string_view, 8> kOccupations = {
    "Torpare", "Bonde", "Dräng", "Piga", "Smed", "Skräddare", "Båtsman", "Hemmansägare"};
constexpr std::array<std::string_view, 12> kMonths = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Place number n, unique for every n below 40 * 30 * 21 * 12.
std::string place_name(std::size_t n) {
  std::string name(kQualifiers[n / (kStems.size() * kEndings.size() * kCounties.size())]);
  name += kStems[n % kStems.size()];
  name += kEndings[n / kStems.size() % kEndings.size()];
  name += ", ";
  name += kCounties[n / (kStems.size() * kEndings.size()) % kCounties.size()];
  name += ", Sverige";
  return name;
}

std::string place_line(std::size_t n) { return "2 PLAC " + place_name(n) + "\n"; }

std::string number(std::size_t n) { return std::to_string(n); }

class Tree {
 public:
  explicit Tree(const DataSize& size) : size_(size), random_(size.persons * 31 + size.places) {}

  std::string write() {
    text_ += "0 HEAD\n1 SOUR Platsmarkeraren\n1 GEDC\n2 VERS 5.5.1\n2 FORM LINEAGE-LINKED\n"
             "1 CHAR UTF-8\n";
    for (std::size_t i = 1; i <= size_.persons; ++i) person(i);
    for (std::size_t i = 1; i <= size_.persons * 2 / 5; ++i) family(i);
    for (std::size_t i = 1; i <= kSources; ++i) {
      text_ += "0 @S" + number(i) + "@ SOUR\n1 TITL Husförhörslängd " + number(i) + "\n";
    }
    text_ += "0 TRLR\n";
    return std::move(text_);
  }

 private:
  static constexpr std::size_t kSources = 50;

  void event(std::string_view tag, unsigned percent, unsigned year) {
    if (!random_.chance(percent)) return;
    text_ += "1 ";
    text_ += tag;
    text_ += "\n2 DATE " + number(1 + random_.below(28)) + " " +
             std::string(random_.of(kMonths)) + " " + number(year) + "\n";
    text_ += place_line(random_.below(size_.places));
    if (random_.chance(40)) {
      text_ += "2 SOUR @S" + number(1 + random_.below(kSources)) + "@\n3 PAGE Sida " +
               number(1 + random_.below(400)) + "\n";
    }
  }

  void person(std::size_t id) {
    const bool man = random_.chance(50);
    const std::string given(man ? random_.of(kMen) : random_.of(kWomen));
    const std::string surname = std::string(random_.of(kMen)) + (man ? "sson" : "sdotter");
    text_ += "0 @I" + number(id) + "@ INDI\n1 NAME " + given + " /" + surname + "/\n2 GIVN " +
             given + "\n2 SURN " + surname + "\n1 SEX " + (man ? "M" : "F") + "\n";
    const unsigned born = 1700 + static_cast<unsigned>(random_.below(200));
    event("BIRT", 95, born);
    event("CHR", 80, born);
    event("DEAT", 80, born + 1 + static_cast<unsigned>(random_.below(90)));
    event("BURI", 70, born + 2 + static_cast<unsigned>(random_.below(90)));
    text_ += "1 OCCU ";
    text_ += random_.of(kOccupations);
    text_ += "\n";
    if (random_.chance(5)) {
      text_ += "1 NOTE Prästen skrev 2 PLAC med fel socken; se husförhören.\n";
    }
    text_ += "1 FAMC @F" + number(1 + id / 3) + "@\n";
  }

  void family(std::size_t id) {
    text_ += "0 @F" + number(id) + "@ FAM\n1 HUSB @I" + number(2 * id) + "@\n1 WIFE @I" +
             number(2 * id + 1) + "@\n";
    event("MARR", 90, 1720 + static_cast<unsigned>(random_.below(200)));
    text_ += "1 CHIL @I" + number(3 * id) + "@\n";
  }

  const DataSize& size_;
  Random random_;
  std::string text_;
};

std::string degrees(Random& random, char hemisphere, unsigned low, unsigned span) {
  return std::string(1, hemisphere) + number(low + random.below(span)) + "." +
         number(1000 + random.below(9000));
}

void shuffle(std::vector<std::string>& items, Random& random) {
  for (std::size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[random.below(i)]);
}

std::string coordinate_record(std::size_t place, Random& random) {
  return place_line(place) + "3 FORM Socken, Län, Land\n3 MAP\n4 LATI " +
         degrees(random, 'N', 55, 14) + "\n4 LONG " + degrees(random, 'E', 11, 13) +
         "\n3 NOTE Koordinater enligt WGS 84\n";
}

}  // namespace

std::string genealogy_file(const DataSize& size) { return Tree(size).write(); }

std::string coordinate_file(const DataSize& size) {
  // The tree's records come out the same, in the same order, with and without
  // decoys among them, so both files give the same merged bytes.
  Random random(size.places * 17);
  std::vector<std::string> records;
  for (std::size_t place = 0; place < size.places; ++place) {
    if (random.chance(90)) records.push_back(coordinate_record(place, random));
    if (random.chance(1)) records.push_back(coordinate_record(place, random));  // a second time
  }
  shuffle(records, random);
  // Decoys are numbered past the tree's places, so the tree never uses them.
  std::vector<std::string> decoys;
  for (std::size_t i = 0; i < size.decoys_per_place * records.size(); ++i) {
    decoys.push_back(coordinate_record(size.places + i, random));
  }
  shuffle(decoys, random);
  std::string text;
  std::size_t next_record = 0;
  std::size_t next_decoy = 0;
  while (next_record < records.size() || next_decoy < decoys.size()) {
    const std::size_t left = records.size() - next_record + decoys.size() - next_decoy;
    const bool decoy = random.below(left) < decoys.size() - next_decoy;
    text += decoy ? decoys[next_decoy++] : records[next_record++];
  }
  return text;
}

}  // namespace platsmarkeraren::bench
