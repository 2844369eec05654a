// Sweden's parishes from about 1600 to 1990, built into the program: a
// Swedish tree names nearly every place by the parish (socken, församling)
// as it was when the record was written, many since merged, renamed or
// moved between counties, which a gazetteer of today knows as villages or
// not at all. The facts are the Swedish National Archives' ("Riksarkivet,
// Historiska GIS-kartor", CC0); the build makes the table from
// gazetteer/data/parishes.tsv.
//
// A parish over its periods is the rows whose codes differ only in their
// last three digits; it stands where its latest period's point is, since
// the vast early units of Norrland lie far from their churches. Parishes of
// one name are one place only when each lies within the other's area;
// otherwise a name without a county that tells them apart is undecided.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/place_form.hpp"

namespace platsmarkeraren {

// One parish in one period, as the data file has it. Its texts stand in
// kParishTexts, each ending in a zero byte; the row holds where each begins.
struct ParishRow {
  std::uint32_t code;            // the archives' code of the parish in this period
  std::uint32_t name;            // "Rasbo församling", "Fors församling (Z-län)"
  std::uint32_t short_name;      // in the nominative: "Rasbo", "Arboga Lands"
  std::uint32_t county_letters;  // the county's letters then, space-separated: "B AB"
  std::uint32_t county_names;    // the county's names then, "; "-separated
  std::uint32_t latitude;        // WGS 84 degrees, five decimals
  std::uint32_t longitude;
  std::uint16_t from;            // the years of the period; 0 from the beginning,
  std::uint16_t to;              // 9999 to the end
  std::uint8_t county;           // the archives' number of its county in this period
  float area;                    // square kilometres
};

// The table the build makes.
extern const char kParishTexts[];
extern const std::span<const ParishRow> kParishTable;

inline const char* parish_text(std::uint32_t at) { return kParishTexts + at; }

// How a drafted block credits the register, as the archives ask.
inline constexpr std::string_view kParishCredit = "Riksarkivet, Historiska GIS-kartor, CC0";
// How notes and sources name the register's codes: "Riksarkivet 36001000".
inline constexpr std::string_view kParishSource = "Riksarkivet";

// Whether a candidate row is one of the register's places, not GeoNames'.
inline bool from_parish_register(const GazetteerRow& row) { return !row.parish_where.empty(); }

// How notes and sources name where a row comes from: "Riksarkivet",
// "GeoNames".
inline std::string_view source_of(const GazetteerRow& row) {
  return from_parish_register(row) ? kParishSource : std::string_view("GeoNames");
}

// What a place's text says that the register reads.
struct ParishText {
  std::vector<std::string> name_keys;  // exact keys of the name, most literal first
  std::vector<std::string> ascii_keys;
  std::vector<std::string> county_keys;     // ASCII keys of county names given
  std::vector<std::string> county_letters;  // county letters given: "C", "AB"
  bool swedish = false;     // a parish word, a county or Sverige says it lies in Sweden
  bool parish_word = false;  // sn, socken, församling and the like
  bool abroad = false;      // it names a country other than Sweden
  bool names_more = false;  // a later part names a place within the parish: a farm, a village
};

struct ParishMatch {
  // The places the text may name, each as a candidate row with its latest
  // point; one when decided. Rows live as long as the register.
  std::vector<const GazetteerRow*> places;
  // Each place's periods, for the audit: where it lay and how large it was.
  struct Period {
    double latitude;
    double longitude;
    double radius;  // kilometres: of a circle of the period's area
  };
  std::vector<std::vector<Period>> periods;
};

class ParishRegister {
 public:
  ParishRegister();
  ~ParishRegister();
  ParishRegister(const ParishRegister&) = delete;
  ParishRegister& operator=(const ParishRegister&) = delete;

  // Reads a place's text, in UTF-8, as Swedish genealogists write a parish:
  // "Rasbo sn, C", "Leksand (W)", "Stora Kopparbergs församling, Kopparbergs
  // län, Sverige", "Arboga lfs". A province (landskap), a hundred
  // (härad) and a municipality (kommun) are passed over. `roles` is what
  // the tree's form says each part names, when it fits the text.
  ParishText read(std::string_view utf8, std::span<const PartRole> roles = {}) const;

  // The places of the register that the text may name: none when its name
  // is no parish's, in the county it names if any.
  ParishMatch match(const ParishText& text) const;

  // The one register, read from the table on first use.
  static const ParishRegister& built_in();

 private:
  struct Data;
  std::unique_ptr<Data> data_;
};

}  // namespace platsmarkeraren
