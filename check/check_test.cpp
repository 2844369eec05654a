#include "check/check.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/coordinate_value.hpp"
#include "core/memory_stream.hpp"

namespace platsmarkeraren {
namespace {

struct Checked {
  CheckCounts counts;
  std::vector<std::string> findings;  // each without its text: "k.txt:7: fel"
  std::string output;
};

// Each finding's file, line and kind: "k.txt:7: fel".
std::vector<std::string> findings_of(const std::string& output) {
  std::vector<std::string> findings;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t kind = line.find(": ", line.find(':', line.find(':') + 1));
    if (kind != std::string::npos) findings.push_back(line.substr(0, line.find(':', kind + 2)));
  }
  return findings;
}

Checked check(const std::string& genealogy, const std::string& coordinates) {
  StringSource genealogy_source(genealogy);
  StringSource coordinate_source(coordinates);
  StringSink out;
  Checked checked;
  checked.counts = check_coordinate_file(genealogy_source, "t.ged", coordinate_source, "k.txt", out);
  checked.output = out.text;
  checked.findings = findings_of(out.text);
  return checked;
}

std::string record(const std::string& place, const std::string& latitude = "N60.5667",
                   const std::string& longitude = "E17.4500") {
  return "2 PLAC " + place + "\n3 FORM Socken, Län, Land\n3 MAP\n4 LATI " + latitude + "\n4 LONG " + longitude +
         "\n3 NOTE Koordinater enligt WGS 84\n";
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(Check, TheExamplesAreClean) {
  const Checked checked = check(read_file(PLATSMARKERAREN_EXAMPLES "/slakt.ged"),
                                read_file(PLATSMARKERAREN_EXAMPLES "/koordinater.txt"));
  EXPECT_EQ(checked.output, "");
  EXPECT_EQ(checked.counts.errors + checked.counts.warnings, 0U);
}

// Each record holds one mistake; the finding names its line.
TEST(Check, NamesTheLineOfEachMistakeInTheBlocks) {
  const std::string coordinates =
      record("Ås") +                                                                  // 1-6: fine
      "2 PLAC Öja\n3 MAP\n4 LATI N57.3\n4 LONG E18.2\n" +                             // 7-10: one line short
      record("Kila", "60.5667") +                                                     // 11-16: no hemisphere
      record("Tuna", "N60,5667") +                                                    // 17-22: decimal comma
      record("Vika", "E17.45", "N60.56") +                                            // 23-28: swapped
      record("Rö", "N95.1") +                                                         // 29-34: out of range
      "2 PLAC Berg\n3 MAP\n4 LATI N1.0\n3 NOTE x\n\n1 NOTE y\n" +                      // 35-40: no LONG, blank, level 1
      "2 PLAC Dal\n3 MAP\n4 LATI N1.0\n4 LONG E1.0\n3 MAP x\nno gedcom\n" +           // 41-46: second MAP, not GEDCOM
      record("Ås", "N1.0") +                                                          // 47-52: later, never used
      record("Ås") +                                                                  // 53-58: the same again: fine
      "2 PLAC Under\n3 NOTE x\n4 LATI N1.0\n4 LONG E1.0\n3 _X\n4 MAP\n" +             // 59-64: under no MAP of the place
      "2 PLAC Slut\n3 MAP\n";                                                          // 65-66: cut short by the end
  const Checked checked = check("", coordinates);
  EXPECT_EQ(checked.findings,
            (std::vector<std::string>{"k.txt:11: fel", "k.txt:14: fel", "k.txt:20: fel", "k.txt:26: fel",
                                      "k.txt:27: fel", "k.txt:32: fel", "k.txt:36: fel", "k.txt:39: fel",
                                      "k.txt:40: fel", "k.txt:43: varning", "k.txt:45: fel", "k.txt:45: fel", "k.txt:46: fel",
                                      "k.txt:47: varning",
                                      "k.txt:61: fel", "k.txt:62: fel",
                                      "k.txt:65: fel", "k.txt:66: fel"}))
      << checked.output;
  EXPECT_EQ(checked.counts.errors, 16U);
  // Dal's block at N1.0 E1.0 lies far from the one parish named Dal.
  EXPECT_EQ(checked.counts.warnings, 2U);
  for (const char* cause : {"ortrad i blocket till ortraden på rad 7", "saknar väderstreck", "decimalkomma",
                            "ombytta", "utanför 0–90", "MAP utan både LATI och LONG", "tom rad", "nivå 1",
                            "en andra MAP", "inte en GEDCOM-rad", "redan på rad 1", "bara 1 av fem rader",
                            "står inte direkt under en MAP", "Dals församling", "16 fel, 2 varningar\n"}) {
    EXPECT_NE(checked.output.find(cause), std::string::npos) << cause;
  }
}

// The tree's own values as other programs write them are warned of at
// their line, with how GEDCOM writes them.
TEST(Check, WarnsOfTheTreesValuesInOtherForms) {
  const Checked checked = check("0 HEAD\n1 BIRT\n2 PLAC A\n3 MAP\n4 LATI 60.7306N\n4 LONG -17.5\n"
                                "1 DEAT\n2 PLAC B\n3 MAP\n4 LATI N1.5\n4 LONG E1,5\n",
                                "");
  EXPECT_EQ(checked.findings, (std::vector<std::string>{"t.ged:5: varning", "t.ged:6: varning", "t.ged:11: varning"}))
      << checked.output;
  for (const char* hint : {"skriv N60.7306", "skriv till exempel W17.5", "E1.5"}) {
    EXPECT_NE(checked.output.find(hint), std::string::npos) << hint << "\n" << checked.output;
  }
  EXPECT_EQ(checked.counts.errors, 0U);
}

TEST(Check, WarnsOfPlacesWithAMapAndOfNearTwins) {
  const std::string coordinates = record("Ås, Uppsala län") + record("Öja");
  const std::string genealogy =
      "0 HEAD\n1 BIRT\n2 PLAC Öja\n3 MAP\n4 LATI N57.3\n4 LONG E18.2\n1 DEAT\n2 PLAC Öja\n3 MAP\n"  // 3: has a MAP
      "2 PLAC Öja\n1 BURI\n2 PLAC ås,  uppsala län.\n2 PLAC ås,  uppsala län.\n2 PLAC Okänd\n";    // 12: near twin
  const Checked checked = check(genealogy, coordinates);
  EXPECT_EQ(checked.findings, (std::vector<std::string>{"t.ged:3: varning", "t.ged:12: varning"})) << checked.output;
  EXPECT_NE(checked.output.find("menade du rad 1?"), std::string::npos) << checked.output;
  EXPECT_EQ(checked.counts.errors, 0U);
}

// A tree of several stretches, read by several workers: each warning names
// its own line, counted across the stretches before it.
TEST(Check, NamesTheTreesLinesAcrossItsStretches) {
  std::string coordinates = record("Öja");
  std::string genealogy = "0 HEAD\n";
  std::vector<std::string> expected;
  std::size_t lines = 1;
  for (int i = 0; i < 60000; ++i) {
    const bool mapped = i % 997 == 0;
    const std::string place = mapped ? "Ort " + std::to_string(i) : "Öja";
    genealogy.append("0 @I").append(std::to_string(i)).append("@ INDI\n1 BIRT\n2 PLAC ").append(place).append("\n");
    lines += 3;
    if (!mapped) continue;
    coordinates += record(place);
    genealogy += "3 MAP\n";
    expected.push_back("t.ged:" + std::to_string(lines) + ": varning");
    ++lines;
  }
  const Checked checked = check(genealogy, coordinates);
  EXPECT_EQ(checked.findings, expected);
}

Checked audit(const std::string& coordinates, CheckCounts* counts = nullptr, const std::string& header = "") {
  const std::string tree = "0 HEAD\n1 CHAR UTF-8\n" + header + "0 TRLR\n";
  StringSource genealogy(tree);
  StringSource coordinate_source(coordinates);
  const std::string rows = read_file(PLATSMARKERAREN_EXAMPLES "/ortregister.txt");
  StringSource gazetteer(rows);
  StringSink out;
  const CheckCounts made = check_coordinate_file(genealogy, "t.ged", coordinate_source, "k.txt", out,
                                                 {.gazetteer = &gazetteer, .gazetteer_name = "o.txt"});
  if (counts != nullptr) *counts = made;
  Checked checked;
  checked.output = out.text;
  checked.findings = findings_of(out.text);
  return checked;
}

// With a gazetteer, each block's coordinates are checked against where its
// place lies, read as the drafts read it: a block far from its one place is
// named with the place and the distance, and a swapped pair or a wrong
// hemisphere that would put it there is pointed out. A place the gazetteer
// lacks where its line says it lies, or cannot decide, is counted as not
// checked, however near a namesake elsewhere.
TEST(Check, AuditsCoordinatesAgainstTheGazetteer) {
  CheckCounts counts;
  const Checked checked = audit(record("Rasbo sn, Uppsala län", "N59.96667", "E17.88333") +  // 1-6: on its place
                                record("Gävle", "N60.0", "E17.0") +                         // 7-12: 75 km off
                                record("Falun", "N15.62597", "E60.60357") +                 // 13-18: swapped
                                record("Mora", "S61.0046", "E14.5372") +                    // 19-24: south
                                record("Ås", "N10.0", "E10.0") +                            // 25-30: undecided
                                record("Qwerty", "N10.0", "E10.0") +                        // 31-36: unknown
                                record("Berg, Östergötlands län", "N58.4833", "E15.5333") +  // 37-42: one of several
                                // 43-54: namesakes abroad, in a country the gazetteer lacks
                                record("Malmo, Saunders, Nebraska, USA", "N41.2650", "W96.7200") +
                                record("Umeå, Minnesota, USA", "N46.8", "W95.2"),
                                &counts);
  EXPECT_EQ(checked.output,
            "k.txt:10: varning: Gävle ligger 79 km från Gävle Heliga Trefaldighets församling i Gävleborgs län "
            "(Riksarkivet 218001000, N60.70567 E17.20017)\n"
            "k.txt:16: varning: Falun ligger 6151 km från Falun i Dalarnas län (GeoNames 9200010, N60.60357 E15.62597); "
            "med LATI och LONG ombytta ligger blocket på orten\n"
            "k.txt:22: varning: Mora ligger 13565 km från Mora församling i Dalarnas län (Riksarkivet 206201000, "
            "N60.99008 E14.36524); "
            "med N i stället för S ligger blocket på orten\n"
            "0 fel, 3 varningar; 4 block gick inte att pröva mot ortregistret: orten är okänd eller oavgjord\n");
  EXPECT_EQ(counts.unchecked, 4U);
  EXPECT_EQ(counts.errors, 0U);
  // The audit's warnings and a block's own findings come out in line order.
  const Checked mixed = audit("2 PLAC Gävle\n3 MAP\n4 LATI N60.0\n4 LONG E17.0\n3 MAP\n4 LATI N1.0\n" +
                              record("Mora", "S61.0046", "E14.5372"));
  EXPECT_EQ(mixed.findings, (std::vector<std::string>{"k.txt:3: varning", "k.txt:5: fel", "k.txt:5: fel",
                                                      "k.txt:10: varning"}))
      << mixed.output;
}

// The audit reads a place's text as the drafts do, by the tree's form or
// the block's own: a hundred (härad) is passed over, a village is no parish.
TEST(Check, AuditReadsEachPartAsTheFormSays) {
  const Checked checked = audit("2 PLAC Tierp, Örbyhus, Uppsala län, Sverige\n3 MAP\n4 LATI N10.0\n4 LONG E10.0\n"
                                "3 NOTE Koordinater enligt WGS 84\n4 CONT ur kartan\n"
                                "2 PLAC Vendel, , Uppsala län, Sverige\n3 FORM By, Socken, Län, Land\n3 MAP\n"
                                "4 LATI N10.0\n4 LONG E10.0\n3 NOTE Koordinater enligt WGS 84\n",
                                nullptr, "1 PLAC\n2 FORM Socken, Härad, Län, Land\n");
  EXPECT_EQ(checked.findings, (std::vector<std::string>{"k.txt:3: varning", "k.txt:10: varning"})) << checked.output;
  EXPECT_NE(checked.output.find("(Riksarkivet 36005000,"), std::string::npos) << checked.output;
  EXPECT_NE(checked.output.find("(GeoNames 9200021,"), std::string::npos) << checked.output;
}

// A finding quotes the file's bytes escaped, as file names are: a control
// byte in a value would end the line or command the terminal.
TEST(Check, QuotesTheFilesBytesEscaped) {
  const Checked checked = check("", record("Ås", "N60\x1b]0;pwned\x07.5") + record("Öja", "N60.5\r0 HEAD"));
  EXPECT_EQ(checked.findings, (std::vector<std::string>{"k.txt:4: fel", "k.txt:10: fel"})) << checked.output;
  EXPECT_NE(checked.output.find("\"N60\\x1b]0;pwned\\x07.5\""), std::string::npos) << checked.output;
  EXPECT_NE(checked.output.find("\"N60.5\\x0d0 HEAD\""), std::string::npos) << checked.output;
  EXPECT_EQ(checked.output.find_first_of("\x1b\x07\r"), std::string::npos);
}

TEST(CoordinateValue, NamesTheLikelyCause) {
  struct Case {
    const char* tag;
    const char* value;
    const char* cause;  // nullptr when the value is in form
  };
  for (const Case& c : {Case{"LATI", "N60.5667", nullptr}, Case{"LONG", "W180.0", nullptr}, Case{"LATI", "S0.0", nullptr},
                        Case{"LATI", "-33.9", "skriv till exempel S33.9"}, Case{"LONG", "17.45", "E17.45"},
                        Case{"LONG", "N17.45", "ombytta"}, Case{"LATI", "n60.5", "versal"},
                        Case{"LATI", "N60,5", "N60.5"}, Case{"LATI", "N60", nullptr},
                        Case{"LONG", "W180", nullptr}, Case{"LATI", "N90", nullptr}, Case{"LATI", "N91", "0–90"},
                        Case{"LATI", "N60.", "decimalpunkt"}, Case{"LATI", "N.5", "decimalpunkt"},
                        Case{"LATI", "+60", "N60"},
                        Case{"LATI", "N90.01", "0–90"}, Case{"LONG", "E180.5", "0–180"},
                        Case{"LONG", "E0180.0", nullptr}, Case{"LATI", "", "saknar värde"},
                        Case{"LATI", "N6 0.5", "decimalpunkt"}}) {
    const std::optional<std::string> fault = coordinate_fault(c.tag, c.value);
    SCOPED_TRACE(c.value);
    ASSERT_EQ(fault.has_value(), c.cause != nullptr);
    if (fault) {
      EXPECT_NE(fault->find(c.cause), std::string::npos) << *fault;
    }
    EXPECT_EQ(coordinate_degrees(c.tag, c.value).has_value(), c.cause == nullptr);
  }
}

// The picture of the places draws what these give: south and west count down.
TEST(CoordinateValue, ReadsDegreesInFormWithTheirHemisphere) {
  EXPECT_DOUBLE_EQ(*coordinate_degrees("LATI", "N60.5667"), 60.5667);
  EXPECT_DOUBLE_EQ(*coordinate_degrees("LATI", "S33.925"), -33.925);
  EXPECT_DOUBLE_EQ(*coordinate_degrees("LONG", "W0118.25"), -118.25);
  EXPECT_DOUBLE_EQ(*coordinate_degrees("LONG", "E17.0"), 17.0);
}

}  // namespace
}  // namespace platsmarkeraren
