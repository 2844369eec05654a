#include "recovery/recovery.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check/check.hpp"
#include "core/memory_stream.hpp"
#include "merge/merge.hpp"

namespace platsmarkeraren {
namespace {

std::string recovered(const std::string& tree, const std::string& coordinates, RecoveryCounts* counts = nullptr) {
  StringSource genealogy(tree, 5);
  StringSource coordinate_file(coordinates);
  StringSink out;
  const RecoveryCounts made = recover_coordinates(genealogy, coordinate_file, out, {.tree_name = "t.ged"});
  if (counts != nullptr) *counts = made;
  return out.text;
}

std::string merged(const std::string& tree, const std::string& coordinates, bool keep_existing_maps = false) {
  StringSource genealogy(tree);
  StringSource coordinate_file(coordinates);
  StringSink out;
  merge(genealogy, coordinate_file, out, {.keep_existing_maps = keep_existing_maps});
  return out.text;
}

std::size_t errors_in(const std::string& tree, const std::string& coordinates) {
  StringSource genealogy(tree);
  StringSource coordinate_file(coordinates);
  StringSink out;
  return check_coordinate_file(genealogy, "t.ged", coordinate_file, "k.txt", out).errors;
}

std::string map(const std::string& latitude, const std::string& longitude) {
  return "3 MAP\n4 LATI " + latitude + "\n4 LONG " + longitude + "\n";
}

const std::string kTree = "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n"
                          "1 BIRT\n2 PLAC Rasbo\n3 NOTE född hemma\n" + map("N59.96667", "E17.86667") +  // 5
                          "1 CHR\n2 PLAC Rasbo\n"                                                       // 11
                          "1 DEAT\n2 PLAC Tierp\n" + map("N60.34", "E17.51") +                          // 13
                          "1 BURI\n2 PLAC Tierp\n" + map("N60.0", "E17.0") +                            // 18
                          "1 EVEN\n2 PLAC Öja\n" + map("N95.3", "E18.2") +                              // 23
                          "1 EVEN\n2 PLAC Uppsala\n3 MAP\n4 LATI N59.8\n"                               // no LONG
                          "1 EVEN\n2 PLAC Känd\n" + map("N1.0", "E1.0") + "0 TRLR\n";

const std::string kCoordinates = "2 PLAC Känd\n3 MAP\n4 LATI N1.0\n4 LONG E1.0\n3 NOTE a\n3 NOTE b\n";

// Each place without a twin that carries a map gets a block, once, in the
// order first met; other coordinates of the same place, and coordinates
// out of form, are notes.
TEST(Recovery, GivesEachPlaceTheCoordinatesItCarries) {
  RecoveryCounts counts;
  const std::string blocks = recovered(kTree, "", &counts);
  EXPECT_EQ(blocks,
            "2 PLAC Rasbo\n3 MAP\n4 LATI N59.96667\n4 LONG E17.86667\n3 NOTE Koordinaterna stod i t.ged, rad 7\n"
            "4 CONT Hämtade ur trädet med platsmarkeraren -t\n"
            "2 PLAC Tierp\n3 MAP\n4 LATI N60.34\n4 LONG E17.51\n3 NOTE Koordinaterna stod i t.ged, rad 14\n"
            "4 CONT Hämtade ur trädet med platsmarkeraren -t\n"
            "2 PLAC Känd\n3 MAP\n4 LATI N1.0\n4 LONG E1.0\n3 NOTE Koordinaterna stod i t.ged, rad 33\n"
            "4 CONT Hämtade ur trädet med platsmarkeraren -t\n"
            "# Orter som trädet ger olika koordinater, eller koordinater som inte följer GEDCOM. Blocket\n"
            "# ovan tar de första som följer GEDCOM; rätta det för hand om andra är de rätta.\n"
            "#\n# Tierp: blocket tar koordinaterna på rad 14; trädet ger också:\n"
            "#   rad 19: LATI N60.0, LONG E17.0\n"
            "#\n# Öja: inget block, koordinaterna följer inte GEDCOM:\n"
            "#   rad 24: LATI \"N95.3\" ligger utanför 0–90 grader\n"
            "#\n# Uppsala: inget block, koordinaterna följer inte GEDCOM:\n"
            "#   rad 29: MAP utan LONG under sig\n");
  EXPECT_EQ(counts.blocks, 3U);
  EXPECT_EQ(counts.conflicting, 1U);
  EXPECT_EQ(counts.malformed, 2U);
  EXPECT_EQ(errors_in(kTree, blocks), 0U);
}

// Only a MAP right under the place line, with LATI and LONG right under
// it, is the place's; the first in form is taken, and every other that
// puts the place elsewhere is noted. What is written is the values alone,
// in lines that neither break the tree nor the coordinate file.
TEST(Recovery, TakesTheFirstSoundMapAndWritesOnlyItsValues) {
  const std::string tree = "0 HEAD\n0 @I1@ INDI\n"
                           "1 BIRT\n2 PLAC Andra\n" + map("N91.5", "E17.5") + map("N1.5", "E1.5") +    // 4: 5, 8
                           "3 MAP\n4 LATI S40.5\n4 LONG W70.5\n" + map("N1.5000004", "E1.5") +        // 11, 14
                           "1 DEAT\n2 PLAC Djup\n3 _X y\n4 MAP\n5 LATI N2.5\n5 LONG E2.5\n"        // 17
                           "1 BURI\n2 PLAC Värde\n3 MAP 2 PLAC Ond\n4 LATI N3.5\n4 LONG E3.5\n"     // 23
                           "1 EVEN\n2 PLAC Rad\rbrytning\n" + map("N4.5", "E4.5") + "0 TRLR\n";     // 28
  RecoveryCounts counts;
  const std::string blocks = recovered(tree, "", &counts);
  EXPECT_EQ(blocks.substr(0, blocks.find("# Orter")),
            "2 PLAC Andra\n3 MAP\n4 LATI N1.5\n4 LONG E1.5\n3 NOTE Koordinaterna stod i t.ged, rad 8\n"
            "4 CONT Hämtade ur trädet med platsmarkeraren -t\n"
            "2 PLAC Värde\n3 MAP\n4 LATI N3.5\n4 LONG E3.5\n3 NOTE Koordinaterna stod i t.ged, rad 25\n"
            "4 CONT Hämtade ur trädet med platsmarkeraren -t\n");
  const std::string notes = blocks.substr(blocks.find("#\n"));
  EXPECT_EQ(notes,
            "#\n# Andra: blocket tar koordinaterna på rad 8; trädet ger också:\n"
            "#   rad 5: LATI \"N91.5\" ligger utanför 0–90 grader\n"
            "#   rad 11: LATI S40.5, LONG W70.5\n"
            "#\n# Rad\\x0dbrytning: inget block, ortraden har en radbrytning i sig:\n"
            "#   rad 30: LATI N4.5, LONG E4.5\n");
  EXPECT_EQ((std::pair{counts.blocks, counts.conflicting + counts.malformed}), (std::pair{std::size_t{2}, std::size_t{2}}));
  EXPECT_EQ(errors_in(tree, blocks), 0U);
  EXPECT_NE(merged("1 BIRT\n2 PLAC Andra\n", blocks).find("2 PLAC Andra\n3 MAP\n4 LATI N1.5\n"), std::string::npos);
}

// Values as other programs write them are brought to GEDCOM's form; 0 and
// 0, which programs write for coordinates they do not know, are none.
TEST(Recovery, ReadsValuesInTheFormsProgramsWrite) {
  const std::string tree = "0 HEAD\n1 BIRT\n2 PLAC Tecken\n" + map("-22.564934", "17,5") +
                           "1 DEAT\n2 PLAC Bokstav\n" + map("60.7306N", "45\u00b055'25\"E") +
                           "1 BURI\n2 PLAC Okänd\n" + map("N0", "E0") +                             // MAP at 14
                           "1 EVEN\n2 PLAC Okänd\n" + map("N0.0", "W0.0") + "0 TRLR\n";           // MAP at 19
  const std::string blocks = recovered(tree, "");
  EXPECT_NE(blocks.find("2 PLAC Tecken\n3 MAP\n4 LATI S22.564934\n4 LONG E17.5\n"), std::string::npos) << blocks;
  EXPECT_NE(blocks.find("2 PLAC Bokstav\n3 MAP\n4 LATI N60.7306\n4 LONG E45.92361\n"), std::string::npos) << blocks;
  EXPECT_NE(blocks.find("# Okänd: inget block, koordinaterna följer inte GEDCOM:\n"
                        "#   rad 14: LATI N0, LONG E0 står för okända koordinater\n"
                        "#   rad 19: LATI N0.0, LONG W0.0 står för okända koordinater\n"),
            std::string::npos)
      << blocks;
  EXPECT_EQ(errors_in(tree, blocks), 0U);
}

// Coordinates kept in records of their own, as programs export them: by
// the place's text, or by a location record's pointer; a record's MAP
// farther than a kilometre from the first is noted with its line.
TEST(Recovery, ReadsThePlaceRecordsProgramsExport) {
  const std::string tree = "0 HEAD\n0 @I1@ INDI\n1 BIRT\n2 PLAC Rasbo\n1 DEAT\n2 PLAC Tierp\n"     // 1-6
                           "1 BURI\n2 PLAC Vendel\n3 _LOC @L1@\n1 EVEN\n2 PLAC Öja\n"                 // 7-11
                           "1 EVEN\n2 PLAC Mora\n3 MAP\n4 LATI N61.0\n4 LONG E14.5\n"                 // 12-16
                           "0 _PLAC Rasbo\n1 MAP\n2 LATI N59.96667\n2 LONG E17.88333\n"               // 17-20
                           "0 _PLAC_DEFN\n1 PLAC Tierp\n2 MAP\n3 LATI 60.34N\n3 LONG 17.51E\n"        // 21-25
                           "0 @L1@ _LOC\n1 NAME Vendels socken\n1 MAP\n2 LATI N60.15\n2 LONG E17.57\n"  // 26-30
                           "0 @L2@ _LOC\n1 NAME Öja\n1 MAP\n2 LATI N57.3\n2 LONG E18.2\n"             // 31-35
                           "0 _PLAC Mora\n1 MAP\n2 LATI N45.0\n2 LONG E7.0\n0 TRLR\n";               // 36-39
  const std::string blocks = recovered(tree, "");
  for (const char* block : {"2 PLAC Rasbo\n3 MAP\n4 LATI N59.96667\n4 LONG E17.88333\n3 NOTE Koordinaterna stod i "
                            "t.ged, rad 18 (_PLAC)\n",
                            "2 PLAC Tierp\n3 MAP\n4 LATI N60.34\n4 LONG E17.51\n3 NOTE Koordinaterna stod i t.ged, "
                            "rad 23 (_PLAC_DEFN)\n",
                            "2 PLAC Vendel\n3 MAP\n4 LATI N60.15\n4 LONG E17.57\n3 NOTE Koordinaterna stod i t.ged, "
                            "rad 28 (_LOC @L1@)\n",
                            "2 PLAC Öja\n3 MAP\n4 LATI N57.3\n4 LONG E18.2\n3 NOTE Koordinaterna stod i t.ged, "
                            "rad 33 (_LOC @L2@)\n",
                            "2 PLAC Mora\n3 MAP\n4 LATI N61.0\n4 LONG E14.5\n3 NOTE Koordinaterna stod i t.ged, rad 14\n",
                            "# Mora: blocket tar koordinaterna på rad 14; trädet ger också:\n"
                            "#   rad 37 (_PLAC): LATI N45.0, LONG E7.0\n"}) {
    EXPECT_NE(blocks.find(block), std::string::npos) << block << "\n" << blocks;
  }
  EXPECT_EQ(errors_in(tree, blocks), 0U);
}

// Names and notes are text from outside: the place marker and control
// bytes are escaped, and an ANSI tree's notes are spelled in Windows-1252.
TEST(Recovery, EscapesWhatItQuotes) {
  const std::string tree = "0 HEAD\n1 CHAR ANSI\n1 BIRT\n2 PLAC Ort\x1b]0\n" + map("N1.5", "E1.5") + "1 DEAT\n2 PLAC Ort\x1b]0\n" +
                           map("N9.5", "E1.5");
  StringSource genealogy(tree);
  StringSource coordinate_file("");
  StringSink out;
  recover_coordinates(genealogy, coordinate_file, out, {.tree_name = "x 2 PLAC \xe2\x82\xac\n.ged"});
  EXPECT_NE(out.text.find("3 NOTE Koordinaterna stod i x 2_PLAC \x80\\n.ged, rad 5\n"), std::string::npos) << out.text;
  EXPECT_NE(out.text.find("# Ort\\x1b]0: blocket tar"), std::string::npos) << out.text;
  EXPECT_EQ(std::count(out.text.begin(), out.text.end(), '\x1b'), 1);  // only in the place line itself
  EXPECT_EQ(errors_in(tree, out.text), 0U);
}

// The blocks follow the coordinate file's shape and line ends, and a place
// with a twin there already gets none.
TEST(Recovery, FollowsTheCoordinateFilesShape) {
  const std::string shaped = "2 PLAC Känd\r\n3 FORM Socken\r\n3 MAP\r\n4 LATI N1.0\r\n4 LONG E1.0\r\n3 NOTE a\r\n"
                             "2 PLAC B\r\n3 FORM Socken\r\n3 MAP\r\n4 LATI N2.0\r\n4 LONG E2.0\r\n3 NOTE b\r\n";
  const std::string blocks = recovered(kTree, shaped);
  EXPECT_EQ(blocks.substr(0, blocks.find("2 PLAC Tierp")),
            "2 PLAC Rasbo\r\n3 FORM Socken\r\n3 MAP\r\n4 LATI N59.96667\r\n4 LONG E17.86667\r\n"
            "3 NOTE Koordinaterna stod i t.ged, rad 7\r\n");
  EXPECT_EQ(blocks.find("Känd"), std::string::npos);
}

// Merged back into the tree without its coordinates, every place gets the
// coordinates it had; merged with -b into the tree itself, the places
// without a map get their namesakes', and the others keep their own.
TEST(Recovery, GivesBackWhatTheTreeHad) {
  std::string tree = "0 HEAD\n";
  std::string bare = tree;
  for (int i = 0; i < 20000; ++i) {
    const std::string place = "2 PLAC Ort " + std::to_string(i % 700) + "\n";
    // Written with append: GCC 12 for mingw-w64 warns of an overlap that
    // is none in a one-letter literal added to a temporary string.
    const std::string latitude = std::string(1, 'N').append(std::to_string(50 + i % 700 / 100)).append(".").append(
        std::to_string(i % 700));
    const std::string longitude = std::string(1, 'E').append(std::to_string(10 + i % 7)).append(".5");
    const std::string coordinates = map(latitude, longitude);
    tree.append("1 BIRT\n").append(place).append(coordinates);
    bare.append("1 BIRT\n").append(place);
  }
  const std::string blocks = recovered(tree, "");
  EXPECT_EQ(errors_in(tree, blocks), 0U);
  // The tree is read in several stretches; each note names its MAP's
  // line, the one after its place line.
  std::vector<std::size_t> line_starts = {0};
  for (std::size_t at = tree.find('\n'); at != std::string::npos; at = tree.find('\n', at + 1)) line_starts.push_back(at + 1);
  for (std::size_t at = blocks.find(", rad "); at != std::string::npos; at = blocks.find(", rad ", at + 1)) {
    const std::size_t line = std::stoul(blocks.substr(at + 6));
    const std::size_t place = blocks.rfind("2 PLAC ", at);
    EXPECT_TRUE(tree.compare(line_starts[line - 2], blocks.find('\n', place) - place, blocks, place,
                             blocks.find('\n', place) - place) == 0);
  }
  const std::string again = merged(bare, blocks);
  std::string expected;
  for (std::size_t at = 0, next = 0; at < again.size(); at = next) {
    next = again.find('\n', at) + 1;
    const std::string line = again.substr(at, next - at);
    if (line.starts_with("3 NOTE ") || line.starts_with("4 CONT ")) continue;
    expected += line;
  }
  EXPECT_TRUE(expected == tree);
  const std::string half = tree.substr(0, tree.size() / 2) + bare.substr(bare.size() / 2);
  EXPECT_TRUE(merged(half, blocks, true).find("2 PLAC Ort 699\n3 MAP\n") != std::string::npos);
}

}  // namespace
}  // namespace platsmarkeraren
