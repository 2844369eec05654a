#include "gazetteer/gazetteer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include "core/degrees.hpp"
#include "core/line.hpp"
#include "core/memory_stream.hpp"
#include "core/test_files.hpp"
#include "core/missing_places.hpp"
#include "merge/merge.hpp"

namespace platsmarkeraren {
namespace {

using test_files::read_file;

const std::string& gazetteer() {
  static const std::string text = read_file(PLATSMARKERAREN_EXAMPLES "/ortregister.txt");
  return text;
}

std::string tree_of(const std::vector<std::string>& places, const std::string& encoding = "UTF-8") {
  std::string tree = "0 HEAD\n1 CHAR " + encoding + "\n0 @I1@ INDI\n";
  for (const std::string& place : places) tree += "1 EVEN\n2 PLAC " + place + "\n";
  return tree + "0 TRLR\n";
}

struct Draft {
  DraftCounts counts;
  std::string text;
};

Draft draft(const std::string& tree, const std::string& coordinates = "", const std::string& rows = gazetteer()) {
  StringSource genealogy(tree, 7);
  StringSource coordinate_file(coordinates);
  StringSource gazetteer_file(rows, 1000);
  StringSink out;
  Draft made;
  made.counts = draft_coordinates(genealogy, coordinate_file, &gazetteer_file, "ortregister \"o.txt\"", out);
  made.text = std::move(out.text);
  return made;
}

// What the draft says of each place: the GeoNames id of its block, "RA"
// and the parish register's code, or "flera" or "okänd" from its note.
std::map<std::string, std::string> outcomes(const std::string& text) {
  std::map<std::string, std::string> found;
  std::string place;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("2 PLAC ")) place = line.substr(7);
    if (line.starts_with("3 NOTE GeoNames ")) found[place] = line.substr(16, line.find(':') - 16);
    if (line.starts_with("3 NOTE Riksarkivet ")) found[place] = "RA " + line.substr(19, line.find(':') - 19);
    if (line.starts_with("# ") && line.find(": ") != std::string::npos && !line.starts_with("#   ")) {
      const std::size_t colon = line.rfind(": ");
      found[line.substr(2, colon - 2)] = line.find("flera") != std::string::npos      ? "flera"
                                         : line.find(": ett land") != std::string::npos ? "land"
                                                                                          : "okänd";
    }
  }
  return found;
}

// A text that names a Swedish parish takes the built-in register's point
// ("RA" and its code); the gazetteer serves the rest, read by Sweden's
// rules: towns, churches, municipalities, places abroad.
TEST(Draft, MatchesPlacesAsSwedishGenealogistsWriteThem) {
  const std::map<std::string, std::string> expected = {
      {"Älvkarleby (C)", "RA 31901000"},                                  // today's letter
      {"Älvkarleby, Uppsala län, Sverige", "RA 31901000"},               // county and country named
      {"ÄLVKARLEBY", "RA 31901000"},                                      // case
      {"Gavle, Gävleborgs län", "RA 218001000"},                          // ASCII spelling; the town's parish
      {"Stora Kopparbergs församling, Kopparbergs län", "RA 208071000"},  // parish word, genitive, historical county
      {"Rasbo sn", "RA 38041000"},                                        // short parish word
      {"Hofors församling", "RA 210401000"},                              // a name that ends in s is no genitive
      {"Ödeshögs förs.", "RA 50902000"},
      {"Mora landsförsamling", "9200011"},                                // no such parish: the gazetteer's Mora
      {"Gävle stadsförsamling", "9200007"},
      {"Kristianstad (L)", "9200019"},                                    // historical letters
      {"Skara, Skaraborgs län", "RA 168201000"},
      {"Malmö, Malmöhus län", "9200027"},
      {"Mora (W)", "RA 206201000"},
      {"Vendel", "RA 36003000"},                                          // the gazetteer has only its church
      {"Knivsta", "RA 38035000"},                                         // the gazetteer has only its municipality
      {"Ås socken (Z)", "RA 230904000"},
      {"Ås, Norge", "9200017"},
      {"Ås", "flera"},                                                    // parishes far apart
      {"Berg, Sverige", "flera"},
      {"Mora (C)", "okänd"},                                              // a county without the name
      {"Håtuna, Uppsala län", "RA 13906000"},                             // in Uppsala län until 1971
      {"Qwertyby", "okänd"},
  };
  std::vector<std::string> places;
  places.reserve(expected.size());
  for (const auto& [place, outcome] : expected) places.push_back(place);
  const Draft made = draft(tree_of(places));
  EXPECT_EQ(outcomes(made.text), expected) << made.text;
  // A bare name that is a Swedish parish and a place abroad may be either.
  EXPECT_NE(made.text.find("#   Ås, ort, Akershus, NO: N59.66364 E10.78872 (GeoNames 9200017)"), std::string::npos);
  EXPECT_EQ(made.counts.resolved, 19U);
  EXPECT_EQ(made.counts.ambiguous, 2U);
  EXPECT_EQ(made.counts.unknown, 2U);
}

TEST(Draft, DecodesTheTreesEncodingToMatchAndKeepsItsBytes) {
  const std::map<std::string, std::string> trees = {
      {"UTF-8", "\xEF\xBB\xBF" + tree_of({"\xC3\x84lvkarleby"})},
      {"ANSI", tree_of({"\xC4lvkarleby", "\xF6" "desh\xF6g"}, "ANSI")},
      {"ANSEL", tree_of({"\xE8" "Alvkarleby", "\xE8odesh\xE8og"}, "ANSEL")},
  };
  for (const auto& [encoding, tree] : trees) {
    const Draft made = draft(tree);
    EXPECT_EQ(made.counts.resolved, encoding == "UTF-8" ? 1U : 2U) << encoding;
    const std::size_t place = tree.find("2 PLAC ");
    EXPECT_EQ(made.text.substr(0, tree.find('\n', place) + 1 - place), tree.substr(place, tree.find('\n', place) + 1 - place))
        << encoding;
  }
  // A note to the user is written in the tree's encoding too.
  EXPECT_NE(draft(tree_of({"Qwerty"}, "ANSI")).text.find("avg\xF6r"), std::string::npos);
}

TEST(Draft, FollowsTheCoordinateFilesShapeAndLineEnds) {
  const std::string block = "3 FORM Socken, Län, Land\r\n3 MAP\r\n4 LATI N60.0\r\n4 LONG E17.0\r\n3 NOTE WGS 84\r\n";
  const std::string town = "3 FORM Stad, Län, Land\r\n3 MAP\r\n4 LATI N59.0\r\n4 LONG E18.0\r\n3 NOTE WGS 84\r\n";
  const Draft followed = draft(tree_of({"Falun", "A", "B"}), "2 PLAC A\r\n" + block + "2 PLAC B\r\n" + town);
  EXPECT_EQ(followed.text,
            "2 PLAC Falun\r\n3 NOTE GeoNames 9200010: Falun, ort, Dalarnas län\r\n3 MAP\r\n"
            "4 LATI N60.60357\r\n4 LONG E15.62597\r\n3 NOTE WGS 84\r\n");
  // Blocks of different shapes, or none, give the standard one.
  const std::string standard = "3 MAP\n4 LATI N60.60357\n4 LONG E15.62597\n"
                               "3 NOTE GeoNames 9200010: Falun, ort, Dalarnas län\n"
                               "4 CONT GeoNames (geonames.org), CC BY 4.0\n";
  EXPECT_EQ(draft(tree_of({"Falun"})).text, "2 PLAC Falun\n" + standard);
  // A parish of the built-in register credits the archives instead.
  EXPECT_EQ(draft(tree_of({"Rasbo"})).text,
            "2 PLAC Rasbo\n3 MAP\n4 LATI N59.93473\n4 LONG E17.87665\n"
            "3 NOTE Riksarkivet 38041000: Rasbo församling, Uppsala län\n4 CONT Riksarkivet, Historiska GIS-kartor, CC0\n");
  // Without a coordinate file's line ends to follow, the tree's.
  std::string cr_tree = tree_of({"Falun"});
  std::replace(cr_tree.begin(), cr_tree.end(), '\n', '\r');
  std::string cr_draft = "2 PLAC Falun\n" + standard;
  std::replace(cr_draft.begin(), cr_draft.end(), '\n', '\r');
  EXPECT_EQ(draft(cr_tree).text, cr_draft);
  EXPECT_EQ(draft(tree_of({"Falun", "A"}), "2 PLAC A\n3 MAP\n4 LATI N1.0\n4 LONG E1.0\n3 NOTE x\n4 CONT y\n"
                                               "2 PLAC C\n3 MAP\n4 LATI N1.0\n4 LONG E1.0\n3 NOTE x\n")
                .text,
            "2 PLAC Falun\n" + standard);
}

// Appended to the coordinate file, the draft gives each resolved place its
// block and nothing else: the notes reach no tree, and the places left are
// those the next draft is for.
TEST(Draft, AppendedAndMergedItLeavesOnlyTheUndecidedPlaces) {
  const std::string tree = read_file(PLATSMARKERAREN_EXAMPLES "/slakt.ged") + tree_of({"Ås", "Rasbo sn", "Qwertyby"});
  std::string coordinates = read_file(PLATSMARKERAREN_EXAMPLES "/koordinater.txt");
  coordinates += draft(tree, coordinates).text;
  const std::string merged = run_in_memory([](Source& g, Source& c, Sink& o) { merge(g, c, o); }, tree, coordinates);
  EXPECT_EQ(merged.find('#'), std::string::npos);
  // A note never holds the place marker, even where the place's text does.
  const std::string note = draft(tree_of({"Qwerty 2 PLAC Y"})).text;
  EXPECT_EQ(note.find(kPlaceMarker), std::string::npos) << note;
  EXPECT_NE(note.find("Qwerty 2_PLAC Y"), std::string::npos) << note;
  EXPECT_NE(merged.find("2 PLAC Rasbo sn\n3 NOTE Riksarkivet 38041000: Rasbo församling, Uppsala län\n3 MAP\n"
                        "4 LATI N59.93473\n"),
            std::string::npos);
  EXPECT_EQ(run_in_memory([](Source& g, Source& c, Sink& o) { list_missing_places(g, c, o); }, tree, coordinates),
            "2 PLAC Ås\n2 PLAC Qwertyby\n");
  const Draft again = draft(tree, coordinates);
  EXPECT_EQ(again.counts.resolved, 0U);
  EXPECT_EQ(again.counts.ambiguous + again.counts.unknown, 2U);
  EXPECT_EQ(draft(tree_of({"Rasbo sn", "Ödeshög, Östergötlands län, Sverige"}), coordinates).text, "");
}

TEST(Draft, RefusesAFileNotInGeoNamesFormatAndSkipsUnreadableCoordinates) {
  const std::string& good = gazetteer();
  try {
    draft(tree_of({"Rasbo"}), "", good + "12\tRasbo\tRasbo\n");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "ortregister \"o.txt\" är ingen GeoNames-fil: rad 39 har 3 kolumner, inte 19");
  }
  std::string unreadable = good.substr(good.find("9200012\t"));
  unreadable.resize(unreadable.find('\n') + 1);
  unreadable.replace(unreadable.find("59.96667"), 8, "59,96667");
  const Draft made = draft(tree_of({"Rasbo", "Mora"}), "", unreadable + good);
  EXPECT_EQ(made.counts.passed_over.unreadable_rows, 1U);
  EXPECT_EQ(made.counts.resolved, 2U);
  // A gazetteer saved with CR LF line ends, without the last one.
  std::string crlf;
  for (const char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  crlf.resize(crlf.size() - 2);
  EXPECT_EQ(draft(tree_of({"Malmö"}), "", crlf).counts.resolved, 1U);
}

// A gazetteer of many stretches, read by several workers: rows come in
// file order, and a bad line is named by its number in the whole file.
TEST(Draft, ReadsALargeGazetteerInFileOrder) {
  std::string rows;
  for (int i = 0; i < 40000; ++i) {
    rows += std::to_string(1000000 + i) + "\tFyllnad" + std::to_string(i) +
            "\tFyllnad\t\t59.0\t15.0\tP\tPPL\tSE\t\t21\t\t\t\t0\t\t0\tEurope/Stockholm\t2024-01-01\n";
  }
  // Berg is no parish here: the gazetteer's rows are what is listed.
  std::string renamed = gazetteer();
  for (std::size_t at = renamed.find("\tBerg\tBerg\t"); at != std::string::npos; at = renamed.find("\tBerg\tBerg\t")) {
    renamed.replace(at, 11, "\tQberg\tQberg\t");
  }
  const std::string large = renamed + rows + renamed.substr(renamed.find("9200023"));
  const Draft made = draft(tree_of({"Qberg", "Rasbo"}), "", large);
  EXPECT_EQ(made.counts.resolved, 1U);
  const std::size_t first = made.text.find("9200023)");
  EXPECT_LT(first, made.text.find("9200024)"));
  EXPECT_LT(made.text.find("9200025)"), made.text.find("9200023)", first + 1));
  try {
    draft(tree_of({"Rasbo"}), "", large + "1\tRasbo\n");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("rad 40045 har 2"), std::string::npos) << error.what();
  }
}

// A draft kept as a plan and written with the user's choices: each chosen
// place a block in the coordinate file's shape, the others notes still.
TEST(Draft, WrittenWithChoicesEachChosenPlaceGetsItsBlock) {
  const std::string tree = tree_of({"Rasbo", "Ås", "Berg, Sverige", "Qwertyby"});
  StringSource genealogy(tree);
  StringSource coordinates("");
  const std::string& rows = gazetteer();
  StringSource gazetteer_file(rows);
  const DraftPlan plan(genealogy, coordinates, &gazetteer_file, "o");
  const std::vector<UndecidedPlace> undecided = plan.undecided();
  ASSERT_EQ(undecided.size(), 3U);
  EXPECT_EQ(undecided[0].place, "Ås");
  EXPECT_GT(undecided[0].candidates.size(), 2U);  // the parishes named Ås
  EXPECT_EQ(undecided[2].candidates.size(), 0U);
  const UndecidedPlace::Candidate& chosen = undecided[0].candidates[1];
  EXPECT_EQ(chosen.source, "Riksarkivet");
  const std::vector<ChosenCoordinates> choices = {
      {0, chosen.latitude, chosen.longitude, chosen.source + " " + chosen.id + ": " + chosen.description, true},
      {2, "N59.85861", "E17.63889", "Koordinater skrivna för hand", false}};
  StringSink out;
  plan.write(choices, out);
  EXPECT_NE(out.text.find("2 PLAC Ås\n3 MAP\n4 LATI " + chosen.latitude + "\n4 LONG " + chosen.longitude +
                          "\n3 NOTE Riksarkivet " + chosen.id + ": " + chosen.description +
                          "\n4 CONT Riksarkivet, Historiska GIS-kartor, CC0\n"),
            std::string::npos)
      << out.text;
  EXPECT_NE(out.text.find("2 PLAC Qwertyby\n3 MAP\n4 LATI N59.85861\n4 LONG E17.63889\n"
                          "3 NOTE Koordinater skrivna för hand\n4 CONT Inte ur GeoNames\n"),
            std::string::npos)
      << out.text;
  EXPECT_NE(out.text.find("# Berg, Sverige: flera orter"), std::string::npos) << out.text;
  EXPECT_EQ(out.text.find("# Ås"), std::string::npos) << out.text;
  EXPECT_EQ(plan.counts().resolved, 1U);
}

// One GeoNames line: real places, their names and coordinates.
std::string geonames_row(const std::string& id, const std::string& name, const std::string& alternates, double latitude,
                         double longitude, const std::string& code, const std::string& country,
                         const std::string& admin1, const std::string& admin2 = "") {
  return id + "\t" + name + "\t" + name + "\t" + alternates + "\t" + std::to_string(latitude) + "\t" +
         std::to_string(longitude) + "\t" + (code.starts_with("PPL") ? "P" : "A") + "\t" + code + "\t" + country +
         "\t\t" + admin1 + "\t" + admin2 + "\t\t\t0\t\t0\t\t2024-01-01\n";
}

// Places abroad where Swedish families went, as GeoNames has them.
const std::string& abroad() {
  static const std::string rows =
      geonames_row("1", "United States", "USA,United States of America", 39.76, -98.5, "PCLI", "US", "00") +
      geonames_row("2", "Minnesota", "", 46.25, -94.25, "ADM1", "US", "MN") +
      geonames_row("3", "Illinois", "", 40.0, -89.25, "ADM1", "US", "IL") +
      geonames_row("4", "Texas", "", 31.25, -99.25, "ADM1", "US", "TX") +
      geonames_row("5", "Nobles County", "", 43.67, -95.75, "ADM2", "US", "MN", "105") +
      geonames_row("6", "Ramsey County", "", 45.02, -93.1, "ADM2", "US", "MN", "123") +
      geonames_row("7", "Knox County", "", 40.93, -90.21, "ADM2", "US", "IL", "095") +
      geonames_row("8", "Winnebago County", "", 42.34, -89.16, "ADM2", "US", "IL", "201") +
      geonames_row("9", "Cooke County", "", 33.64, -97.21, "ADM2", "US", "TX", "097") +
      geonames_row("10", "Llano County", "", 30.71, -98.68, "ADM2", "US", "TX", "299") +
      geonames_row("11", "Texas County", "", 37.32, -91.97, "ADM2", "US", "MO", "215") +
      geonames_row("12", "Worthington", "", 43.61996, -95.5964, "PPLA2", "US", "MN", "105") +
      geonames_row("13", "Worthington", "", 39.12505, -86.97945, "PPL", "US", "IN", "055") +
      geonames_row("14", "Worthington", "", 40.09312, -83.01796, "PPL", "US", "OH", "049") +
      geonames_row("15", "Galesburg", "", 40.94782, -90.37124, "PPLA2", "US", "IL", "095") +
      geonames_row("16", "Rockford", "", 42.27113, -89.094, "PPLA2", "US", "IL", "201") +
      geonames_row("17", "Gainesville", "", 33.62594, -97.13335, "PPLA2", "US", "TX", "097") +
      geonames_row("18", "Gainesville", "", 29.65163, -82.32483, "PPLA2", "US", "FL", "001") +
      geonames_row("19", "Saint Paul", "", 44.94441, -93.09327, "PPLA", "US", "MN", "123") +
      geonames_row("20", "Chicago", "", 41.85003, -87.65005, "PPLA2", "US", "IL", "031") +
      geonames_row("21", "Houston", "", 29.76328, -95.36327, "PPLA2", "US", "TX", "201") +
      geonames_row("22", "Houston", "", 37.32616, -91.95599, "PPLA2", "US", "MO", "215") +
      geonames_row("23", "Harris County", "", 29.86, -95.39, "ADM2", "US", "TX", "201") +
      geonames_row("24", "Usa", "", 33.53, 131.35, "PPLA2", "JP", "47") +
      geonames_row("30", "Oslo", "", 59.91, 10.75, "ADM1", "NO", "12") +
      geonames_row("31", "Oslo", "Christiania,Kristiania", 59.91273, 10.74609, "PPLC", "NO", "12") +
      geonames_row("32", "Hovedstaden", "Capital Region", 55.67, 12.33, "ADM1", "DK", "17") +
      geonames_row("33", "Rønne", "Ronne", 55.10091, 14.70664, "PPLA2", "DK", "17") +
      geonames_row("34", "København", "Copenhagen,Köpenhamn", 55.67594, 12.56553, "PPLC", "DK", "17") +
      geonames_row("35", "Uusimaa", "", 60.33, 25.0, "ADM1", "FI", "18") +
      geonames_row("36", "Helsinki", "Helsingfors", 60.16952, 24.93545, "PPLC", "FI", "18") +
      geonames_row("37", "Landkreis Harburg", "", 53.32, 9.98, "ADM2", "DE", "06", "03353") +
      geonames_row("38", "Winsen", "", 53.35753, 10.21282, "PPL", "DE", "06", "03353") +
      geonames_row("39", "Winsen", "", 52.67473, 9.91089, "PPL", "DE", "06", "03351") +
      geonames_row("40", "Falköping", "", 58.17347, 13.55005, "PPLA2", "SE", "28") +
      geonames_row("41", "Östersund", "", 63.1792, 14.63566, "PPLA", "SE", "07") +
      geonames_row("42", "Tierp", "", 60.34252, 17.51593, "PPLA2", "SE", "21", "0360") +
      geonames_row("43", "Tierps kommun", "", 60.33, 17.4, "ADM2", "SE", "21", "0360");
  return rows;
}

// Each country's rules: its divisions by name, code, abbreviation, old
// name and Swedish name, with or without their words; a country by any of
// its names; a farm by the place it lies near; and never a guess: a place
// that is only a country or a state gets no block, and one whose named
// county lacks it is listed where it is instead.
TEST(Draft, ReadsPlacesAbroadByEachCountrysRules) {
  const std::map<std::string, std::string> expected = {
      {"Worthington, MN, USA", "12"},                      // a state's postal code
      {"Worthington, Nobles, Minnesota", "12"},            // a county without its word
      {"Worthington", "flera"},                            // in three states
      {"Galesburg, Knox Co., Illinois", "15"},              // a county with its word
      {"Rockford, Winnebago County, Ill.", "16"},           // a traditional abbreviation
      {"Chicago, Ill.", "20"},
      {"St. Paul, Ramsey, Minnesota, USA", "19"},           // St. for Saint
      {"Houston, Harris, TX, USA", "21"},                    // TX names the state, never Texas County
      {"Gainesville, Llano, TX, USA", "okänd"},             // Texas' Gainesville lies in Cooke County
      {"USA", "land"},                                       // only a country: no Usa in Japan
      {"Minnesota, USA", "land"},                            // only a state
      {"Knox County, Illinois", "land"},
      {"Kristiania, Norge", "31"},                           // an old name
      {"Rønne, Bornholm, Denmark", "33"},                   // an amt brought to its region
      {"Köpenhamn", "34"},                                   // the Swedish name
      {"Koebenhavn", "34"},                                  // ø as Danish writes it without the letter
      {"Helsingfors, Nyland, Finland", "36"},               // the Swedish names of town and region
      {"Winsen, Landkreis Harburg, Deutschland", "38"},     // a word before the name
      {"Ås, Falköping", "9200015"},                          // a farm near the town named after it
      {"Ås, Östersund", "9200014"},
      {"Berg, Falköping", "okänd"},                          // none near Falköping: listed with how far
      {"Tierps sn, Uppsala län", "RA 36005000"},             // the parish, from the built-in register
      {"Tierp, Uppsala län", "RA 36005000"},
      // A Swedish text stays in Sweden, but a parish word alone may be Finland's.
      {"Helsingfors socken", "36"},
      {"Usa sn", "okänd"},                                     // never Usa in Japan
      {"Oslo, C", "okänd"},
  };
  std::vector<std::string> places;
  places.reserve(expected.size());
  for (const auto& [place, outcome] : expected) places.push_back(place);
  const std::string made = draft(tree_of(places), "", gazetteer() + abroad()).text;
  EXPECT_EQ(outcomes(made), expected) << made;
  EXPECT_NE(made.find("#   Berg, ort, Västra Götalands län, 96 km från Falköping: N57.7000 E12.2000 (GeoNames 9200025)"),
            std::string::npos)
      << made;
  // Candidates name their county and state.
  EXPECT_NE(made.find("#   Gainesville, ort, Cooke County, Texas, US: N33.625940 W97.133350 (GeoNames 17)"),
            std::string::npos)
      << made;
}

// A tree's form tells what each part of its place texts names: a hundred
// (härad) or a province is passed over, a farm or village is never taken
// for the parish of its name, a division is read as nothing else, and an
// empty part is skipped. A place's own form stands before the header's; a
// text of another number of parts is read as if there were no form.
TEST(Draft, ReadsEachPartAsTheTreesFormSays) {
  struct Case {
    std::string place;
    std::string own_form;
    std::string outcome;
  };
  const std::vector<Case> cases = {
      {"Tierp, Örbyhus, Uppsala län, Sverige", "", "RA 36005000"},
      {"Mora, Ovansiljan, Dalarna, Sverige", "", "RA 206201000"},
      {", , Uppsala län, Sverige", "", "land"},
      {"Tierp, Sverige", "", "RA 36005000"},
      {"Vendel, , Uppsala län, Sverige", "By, Socken, Län, Land", "9200021"},
      {"Nobles, Minnesota, USA", "County, State, Country", "land"},
      {"Worthington, Nobles, , USA", "City, County, State, Country", "12"},
  };
  std::string tree = "0 HEAD\n1 CHAR UTF-8\n1 PLAC\n2 FORM Socken, Härad, Län, Land\n0 @I1@ INDI\n";
  std::map<std::string, std::string> expected;
  for (const Case& place : cases) {
    tree += "1 EVEN\n2 PLAC " + place.place + "\n";
    if (!place.own_form.empty()) tree += "3 FORM " + place.own_form + "\n";
    expected[place.place] = place.outcome;
  }
  const std::string made = draft(tree + "0 TRLR\n", "", gazetteer() + abroad()).text;
  EXPECT_EQ(outcomes(made), expected) << made;
}

// One GeoNames line of a populated place in Uppsala län.
std::string village(const std::string& id, const std::string& name, const std::string& latitude,
                    const std::string& longitude) {
  return id + "\t" + name + "\t" + name + "\t\t" + latitude + "\t" + longitude +
         "\tP\tPPL\tSE\t\t21\t\t\t\t0\t\t0\tEurope/Stockholm\t2024-01-01\n";
}

// A gazetteer's text is text: whatever its names hold, a draft holds no
// line but its own, no place marker but on its place lines, and no byte
// that commands a terminal.
TEST(Draft, WritesAGazetteersNamesAsTextNeverAsLines) {
  const std::string hostile = "Rasbo\r0 @X1@ NOTE injected\x1b]0;pwned\x07 2 PLAC Rasbo, Uppsala l\xC3\xA4n";
  const std::string rows = gazetteer() + village("1", hostile, "59.9", "17.9") + village("2", hostile, "58.0", "12.0");
  std::string cr_tree = tree_of({"Rasbo, Uppsala län", hostile.substr(0, 5) + "x"});
  std::replace(cr_tree.begin(), cr_tree.end(), '\n', '\r');
  for (const std::string& tree : {tree_of({"Rasbo, Uppsala län"}), cr_tree}) {
    // Named in a block's note, or among the candidates of a place's note
    // when the hostile text is an alternate name of a second Rasbo.
    const std::string alternates = gazetteer() + "3\tRasbo\tRasbo\t" + hostile.substr(6) +
                                   "\t59.0\t16.0\tP\tPPL\tSE\t\t21\t\t\t\t0\t\t0\tEurope/Stockholm\t2024-01-01\n";
    for (const std::string& file : {rows, alternates}) {
      const std::string text = draft(tree, "", file).text;
      const char line_end = tree.find('\r') != std::string::npos ? '\r' : '\n';
      std::size_t place_lines = 0;
      for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find(line_end, at);
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        place_lines += line.starts_with("2 PLAC ") ? 1 : 0;
        EXPECT_TRUE(line.starts_with("2 PLAC ") || line.find("2 PLAC ") == std::string::npos) << line;
        EXPECT_EQ(line.find_first_of("\r\n\x1b\x07"), std::string::npos) << line;
        EXPECT_EQ(line.find(" NOTE injected"), std::string::npos);
      }
      EXPECT_LE(place_lines, 2U);
    }
  }
}

// A gazetteer's rows end at line feeds, whatever a name before the first
// one holds: a lone CR there ends no row.
TEST(Draft, ReadsRowsByLineFeedsWhateverANameHolds) {
  const std::string rows = village("1", "Fa\rlun", "59.0", "16.0") + gazetteer();
  const Draft made = draft(tree_of({"Falun"}), "", rows);
  EXPECT_EQ(outcomes(made.text), (std::map<std::string, std::string>{{"Falun", "9200010"}})) << made.text;
}

// Bytes that only look like a letter or a comma when misread are neither:
// an overlong form, a surrogate. A header's encoding is read with blanks
// around it, and one that is not read is named.
TEST(Draft, ReadsOnlyWhatTheBytesSay) {
  EXPECT_EQ(outcomes(draft(tree_of({"Rasbo\xE0\x80\xACUppsala l\xC3\xA4n"})).text).begin()->second, "okänd");
  EXPECT_EQ(outcomes(draft(tree_of({"G\xE0\x83\xA4vle"})).text).begin()->second, "okänd");
  EXPECT_EQ(outcomes(draft(tree_of({"G\xED\xA0\x80vle"})).text).begin()->second, "okänd");
  EXPECT_EQ(draft(tree_of({"G\xC3\xA4vle"})).counts.resolved, 1U);
  EXPECT_EQ(draft(tree_of({"\xE8" "Alvkarleby"}, "ANSEL ")).counts.resolved, 1U);
  EXPECT_EQ(draft(tree_of({"\xE8" "Alvkarleby"}, " ansel")).counts.passed_over.unread_encoding, "");
  const Draft macintosh = draft(tree_of({"Rasbo", "G\x8Avle"}, "MACINTOSH"));
  EXPECT_EQ(macintosh.counts.passed_over.unread_encoding, "MACINTOSH");
  EXPECT_EQ(macintosh.counts.resolved, 1U);
  EXPECT_EQ(draft(tree_of({"Rasbo"}, "IBMPC")).counts.passed_over.unread_encoding, "IBMPC");
  EXPECT_EQ(draft(tree_of({"Rasbo"}, "UTF-8")).counts.passed_over.unread_encoding, "");
}

// Rows of one name are one place while each lies within 5 km of the next,
// however they lie: along a parallel, across the 180th meridian, near a
// pole, or in one spot; rows 6 km apart with none between are two.
TEST(Draft, JoinsRowsIntoPlacesWhereverTheyLie) {
  const auto places_of = [](const std::vector<std::pair<double, double>>& points) {
    std::string rows;
    int id = 1;
    for (const auto& [latitude, longitude] : points) {
      rows += village(std::to_string(id++), "Qberga", std::to_string(latitude), std::to_string(longitude));
    }
    const Draft made = draft(tree_of({"Qberga"}), "", rows);
    return made.counts.resolved == 1 ? 1 : static_cast<int>(std::count(made.text.begin(), made.text.end(), '\n')) - 4;
  };
  std::vector<std::pair<double, double>> chain;
  chain.reserve(2001);
  for (int i = 0; i < 2000; ++i) chain.emplace_back(0.0, 10 + i * 0.04);  // 4.4 km apart at the equator
  EXPECT_EQ(places_of(chain), 1);
  chain.emplace_back(0.0, 10 + 1999 * 0.04 + 0.055);  // 6.1 km beyond the last
  EXPECT_EQ(places_of(chain), 2);
  EXPECT_EQ(places_of({{60.0, 179.99}, {60.0, -179.99}}), 1);  // 1.1 km apart, across the meridian
  EXPECT_EQ(places_of({{89.99, 0.0}, {89.99, 180.0}}), 1);    // 2.2 km apart, across the pole
  EXPECT_EQ(places_of({{59.0, 17.0}, {59.0, 17.0}, {59.054, 17.0}}), 2);
  std::vector<std::pair<double, double>> spot(3000, {60.0, 17.0});
  EXPECT_EQ(places_of(spot), 1);
}

// A line longer than any GeoNames row ends the reading with a message,
// before it takes memory.
TEST(Draft, RefusesALineLongerThanAnyRow) {
  try {
    draft(tree_of({"Rasbo"}), "", gazetteer() + std::string(3 << 20, 'x'));
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "ortregister \"o.txt\" är ingen GeoNames-fil: en rad är längre än 1 MiB");
  }
}

TEST(Degrees, KeepTheGazetteersDigitsInGedcomForm) {
  const auto gedcom = [](std::string_view text, int limit) {
    const std::optional<Degrees> degrees = Degrees::read(text, limit);
    return degrees ? degrees->gedcom('N', 'S') : std::string("-");
  };
  EXPECT_EQ(gedcom("60.5", 90), "N60.5000");
  EXPECT_EQ(gedcom("-12.1234565", 90), "S12.123457");
  EXPECT_EQ(gedcom("17", 90), "N17.0000");
  EXPECT_EQ(gedcom("0.00001", 90), "N0.00001");
  for (const std::string_view bad : {"", "90.000001", "1e5", "12.", "--1", "1.2.3", "N60"}) EXPECT_EQ(gedcom(bad, 90), "-") << bad;
  EXPECT_EQ(gedcom("-179.99", 180), "S179.9900");
}

}  // namespace
}  // namespace platsmarkeraren
