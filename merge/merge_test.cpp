#include "core/missing_places.hpp"
#include "merge/merge.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstddef>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/coordinate_index.hpp"
#include "core/hash.hpp"
#include "core/memory_stream.hpp"
#include "fuzz/naive_model.hpp"
#include "core/stretch_output.hpp"
#include "core/used_twins.hpp"

namespace platsmarkeraren {
namespace {

using namespace std::string_literals;

// With several workers, neighbouring stretches are merged in different threads
// and a line that spans stretches is carried from one worker's buffer to the
// next one's; 0 workers lets the merge pick.
std::string merged_with(const MergeOptions& options, std::string_view genealogy, std::string_view coordinates,
                        std::size_t longest_read = std::string::npos, MergeReport* report = nullptr) {
  return run_in_memory(
      [&](Source& genealogy_source, Source& coordinate_source, Sink& output) {
        const MergeReport made = merge(genealogy_source, coordinate_source, output, options);
        if (report != nullptr) *report = made;
      },
      genealogy, coordinates, longest_read);
}

std::string merged(std::string_view genealogy, std::string_view coordinates,
                   std::size_t longest_read = std::string::npos) {
  return merged_with({}, genealogy, coordinates, longest_read);
}

std::string merged_by(unsigned workers, std::string_view genealogy, std::string_view coordinates,
                      std::size_t longest_read = std::string::npos) {
  return merged_with({.workers = workers}, genealogy, coordinates, longest_read);
}

std::string missing(std::string_view genealogy, std::string_view coordinates,
                    std::size_t longest_read = std::string::npos, bool appending = false) {
  return run_in_memory(
      // cppcheck-suppress constParameter ; the streams are read and written
      [appending](Source& genealogy_source, Source& coordinate_source, Sink& output) {
        list_missing_places(genealogy_source, coordinate_source, output, {.appending = appending});
      },
      genealogy, coordinates, longest_read);
}

const std::string kBlock = "3 MAP\n4 LATI N59.8586\n4 LONG E17.6389\n3 NOTE a\n3 NOTE b\n";
const std::string kUppsala = "2 PLAC Uppsala domkyrkoförsamling\n";

struct Case {
  const char* name;  // cppcheck-suppress unusedStructMember ; names the test
  std::string genealogy;
  std::string coordinates;
  std::string expected;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class MergeCase : public testing::TestWithParam<Case> {};

TEST_P(MergeCase, GivesTheExpectedOutput) {
  const Case& c = GetParam();
  EXPECT_EQ(merged(c.genealogy, c.coordinates), c.expected);
  // The same bytes in reads of one byte reach every buffer boundary.
  EXPECT_EQ(merged(c.genealogy, c.coordinates, 1), c.expected);
  EXPECT_EQ(merged_by(3, c.genealogy, c.coordinates, 1), c.expected);
}

const std::string kFamily = "0 @I1@ INDI\n1 BIRT\n2 DATE 1 JAN 1850\n" + kUppsala + "1 DEAT\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, MergeCase,
    testing::Values(
        Case{"EmptyGenealogyFile", "", kUppsala + kBlock, ""},
        Case{"EmptyCoordinateFile", kFamily, "", kFamily},
        Case{"BlockAfterPlaceLine", kFamily, kUppsala + kBlock,
             "0 @I1@ INDI\n1 BIRT\n2 DATE 1 JAN 1850\n" + kUppsala + kBlock + "1 DEAT\n"},
        Case{"MarkerAnywhereInTheLine", "  2 PLAC Ås\n12 PLAC Ås\n1 NOTE x 2 PLAC Ås\n",
             "  2 PLAC Ås\n12 PLAC Ås\n1 NOTE x 2 PLAC Ås\nend\n",
             "  2 PLAC Ås\n12 PLAC Ås\n1 NOTE x 2 PLAC Ås\nend\n"
             "12 PLAC Ås\n1 NOTE x 2 PLAC Ås\nend\n"
             "1 NOTE x 2 PLAC Ås\nend\n"},
        Case{"NotPlaceLines", "2 PLAC\n2 plac Ås\n2  PLAC Ås\n",
             "2 PLAC\na\n2 plac Ås\nb\n2  PLAC Ås\nc\n", "2 PLAC\n2 plac Ås\n2  PLAC Ås\n"},
        Case{"TrailingSpaceCounts", "2 PLAC Ås \n2 PLAC Ås\n", "2 PLAC Ås\na\n",
             "2 PLAC Ås \n2 PLAC Ås\na\n"},
        Case{"MissingLineEndDiffers", "2 PLAC Ås\n", "x\n2 PLAC Ås", "2 PLAC Ås\n"},
        Case{"UnterminatedPlaceLineFindsUnterminatedTwin", "2 PLAC Ås", "2 PLAC Ås\na\n2 PLAC Ås",
             "2 PLAC Ås"},
        Case{"TwinOnLastLineInsertsNothing", kUppsala, "x\n" + kUppsala, kUppsala},
        Case{"ShortBlockAtEndOfFile", kUppsala, kUppsala + "a\nb\n", kUppsala + "a\nb\n"},
        Case{"TwinInsideAnotherBlock", "2 PLAC Öja\n", kUppsala + "2 PLAC Öja\n" + kBlock,
             "2 PLAC Öja\n" + kBlock},
        Case{"FirstTwinWins", kUppsala, kUppsala + "first\n" + kUppsala + "second\n",
             kUppsala + "first\n" + kUppsala + "second\n"},
        Case{"SamePlaceTwiceGetsBlockTwice", kUppsala + kUppsala, kUppsala + kBlock,
             kUppsala + kBlock + kUppsala + kBlock},
        Case{"BlockLinesAreNeverLookedUp", kUppsala, kUppsala + "2 PLAC Öja\nx\n",
             kUppsala + "2 PLAC Öja\nx\n"},
        Case{"CrLfTreeFindsLfTwinAndKeepsCrLf", "1 BIRT\r\n2 PLAC Ås\r\n1 DEAT\r\n", "2 PLAC Ås\na\nb",
             "1 BIRT\r\n2 PLAC Ås\r\na\r\nb\r\n1 DEAT\r\n"},
        Case{"LfTreeFindsCrLfTwinAndKeepsLf", "2 PLAC Ås\n", "2 PLAC Ås\r\na\r\nb\n",
             "2 PLAC Ås\na\nb\n"},
        Case{"CrTreeFindsLfCrTwinAndKeepsCr", "1 BIRT\r2 PLAC Ås\r1 DEAT\r", "2 PLAC Ås\n\ra\n\rb\n\r",
             "1 BIRT\r2 PLAC Ås\ra\rb\r1 DEAT\r"},
        Case{"LfCrTreeFindsCrTwinAndKeepsLfCr", "1 BIRT\n\r2 PLAC Ås\n\r1 DEAT\n\r", "0 HEAD\r2 PLAC Ås\ra\rb",
             "1 BIRT\n\r2 PLAC Ås\n\ra\n\rb\n\r1 DEAT\n\r"},
        Case{"CrTreeFindsCrLfTwin", "2 PLAC Ås\r2 PLAC Öja", "2 PLAC Öja\r\n2 PLAC Ås\r\na\r\n",
             "2 PLAC Ås\ra\r2 PLAC Öja"},
        Case{"MixedLineEndsFollowTheFirst", "2 PLAC Ås\r2 PLAC Öja\n2 PLAC Ås\r", "2 PLAC Ås\na\n",
             "2 PLAC Ås\ra\r2 PLAC Öja\n2 PLAC Ås\r"},
        Case{"ByteOrderMarkIsNoPartOfTheFirstCoordinateLine", "2 PLAC Ås\n", "\xef\xbb\xbf" "2 PLAC Ås\na\n",
             "2 PLAC Ås\na\n"},
        Case{"LastCoordinateLineGetsALineEnd", "2 PLAC Ås\n1 DEAT\n", "2 PLAC Ås\na",
             "2 PLAC Ås\na\n1 DEAT\n"},
        Case{"ZeroBytesAreCarriedAndCompared", "2 PLAC Å\0s\n2 PLAC Å\0t\n\0\n"s,
             "2 PLAC Å\0s\na\0b\n"s, "2 PLAC Å\0s\na\0b\n2 PLAC Å\0t\n\0\n"s},
        Case{"LongLineIsOneLine", "2 PLAC " + std::string(250, 'x') + "\n1 DEAT\n",
             "2 PLAC " + std::string(250, 'x') + "\na\n",
             "2 PLAC " + std::string(250, 'x') + "\na\n1 DEAT\n"},
        Case{"MarkerDeepInALongLine", std::string(300, 'x') + " 2 PLAC Ås\n",
             std::string(300, 'x') + " 2 PLAC Ås\na\n", std::string(300, 'x') + " 2 PLAC Ås\na\n"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Merge, StreamsLinesLongerThanAnyTwinThrough) {
  // Longer than a read of the genealogy file, so the line cannot be held.
  const std::string long_place = "2 PLAC " + std::string(3 << 20, 'x') + "\n";
  const std::string genealogy = kUppsala + long_place + kUppsala;
  const std::string coordinates = kUppsala + kBlock + long_place.substr(1 << 20) + "z\n";
  // Compared as a whole: a failure would print megabytes.
  EXPECT_TRUE(merged(genealogy, coordinates) == kUppsala + kBlock + long_place + kUppsala + kBlock);
  EXPECT_TRUE(merged_by(2, genealogy, coordinates) == kUppsala + kBlock + long_place + kUppsala + kBlock);
}

TEST(Merge, NeverLooksUpThePieceOfALineTooLongToHold) {
  // Read in pieces of 4 KiB, the last piece of each of these lines, which
  // are too long to hold, is exactly a twin: wherever in its passing the
  // reader is when that piece comes, it must know it for the end of a line.
  for (std::size_t pieces = 17; pieces < 40; ++pieces) {
    const std::string genealogy = "1 NOTE " + std::string(pieces * 4096 - 7, 'x') + "2 PLAC Ås\n";
    EXPECT_TRUE(merged(genealogy, "2 PLAC Ås\n" + kBlock, 4096) == genealogy) << pieces;
  }
}

TEST(Merge, HoldsLongPlaceLinesThatHaveATwin) {
  const std::string long_place = "2 PLAC " + std::string(3 << 20, 'x') + "\r\n";
  const std::string genealogy = "0 HEAD\r\n" + long_place + "0 TRLR\r\n";
  const std::string coordinates = "2 PLAC " + std::string(3 << 20, 'x') + "\na\nb\n";
  EXPECT_TRUE(merged(genealogy, coordinates) == "0 HEAD\r\n" + long_place + "a\r\nb\r\n0 TRLR\r\n");
  EXPECT_TRUE(merged_by(2, genealogy, coordinates) ==
              "0 HEAD\r\n" + long_place + "a\r\nb\r\n0 TRLR\r\n");
}

TEST(Merge, IndexesALargeCoordinateFileInHalvesLikeAWholeOne) {
  // Two threads index the halves of a large file: the first twin must still
  // win across them, and a block may run on from one half into the other.
  std::string decoys;
  while (decoys.size() < (1 << 20)) decoys += "2 PLAC Ort " + std::to_string(decoys.size()) + "\n" + kBlock;
  const std::string across = "2 PLAC Öja\n" + kBlock;
  const std::string first = kUppsala + "first\n";
  const std::string second = kUppsala + "second\n";
  std::string coordinates = first + decoys + across;
  // Sized so that the middle of the file falls in the block of Öja.
  coordinates += std::string(decoys.size() + first.size() + 39 - across.size() - second.size(), 'x');
  coordinates += "\n" + second;
  const std::size_t middle = coordinates.size() / 2;
  ASSERT_EQ(middle, first.size() + decoys.size() + 20);
  const std::string genealogy = kFamily + "2 PLAC Öja\n2 PLAC Ort 0\n";
  EXPECT_EQ(merged(genealogy, coordinates), naive::merge(genealogy, coordinates));
}

// Tells no size in advance, as a pipe does.
class PipeSource final : public Source {
 public:
  explicit PipeSource(std::string_view text) : text_(text) {}
  std::size_t read(char* into, std::size_t size) override { return text_.read(into, size); }

 private:
  StringSource text_;
};

TEST(Merge, GathersTheTwinsInUseOfALargeCoordinateFileUnchanged) {
  // A twin of a large file is copied on its first use, in whichever worker,
  // and later lookups find the copy: it must give the bytes the file gives.
  const std::vector<std::string> records = {
      kUppsala + kBlock,
      "2 PLAC Öja\r\n3 MAP\r\n4 LATI N57.3\r\n4 LONG E18.2\r\n3 NOTE a\r\n3 NOTE b\r\n",
      "2 PLAC Ås\n3 MAP\r\n4 LATI N59.9\n4 LONG E16.6\n3 NOTE c\n3 NOTE d\n",
      kUppsala + "never\n",
  };
  // The last line lacks a line end; it and the block that runs into it
  // are twins too.
  const std::string tail = "2 PLAC Näst sist\nx\n2 PLAC Sist";
  std::string decoys;
  while (decoys.size() < (5 << 20) / records.size()) {
    decoys += "2 PLAC Ort " + std::to_string(decoys.size()) + "\n" + kBlock;
  }
  std::string small;
  std::string large;
  for (const std::string& record : records) {
    small += record;
    large += decoys + record;
  }
  small += tail;
  large += decoys + tail;
  const std::string family = "0 @I1@ INDI\n1 BIRT\n" + kUppsala + "1 CHR\n2 PLAC Öja\n1 DEAT\n2 PLAC Ås\r\n" +
                             "1 BURI\n2 PLAC Näst sist\r\n2 PLAC Okänd\n2 PLAC Öja\r\n";
  ASSERT_EQ(merged(family + "2 PLAC Sist", small), naive::merge(family + "2 PLAC Sist", small));
  std::string genealogy;
  while (genealogy.size() < (2 << 20)) genealogy += family;
  genealogy += "2 PLAC Sist";
  const std::string expected = merged(genealogy, small);
  for (const unsigned workers : {1U, 2U, 4U}) {
    EXPECT_TRUE(merged_by(workers, genealogy, large) == expected) << workers << " workers";
  }
  // A pipe tells no size: the index grows its buffer as the file comes.
  StringSource genealogy_source(genealogy);
  PipeSource coordinate_source(large);
  StringSink output;
  merge(genealogy_source, coordinate_source, output, {.workers = 2});
  EXPECT_TRUE(output.text == expected);
}

// A coordinate file large enough to gather from: places named by where they
// stand, then Uppsala, each with kBlock.
std::string large_coordinate_file() {
  std::string file;
  while (file.size() < (5 << 20)) file += "2 PLAC Ort " + std::to_string(file.size()) + "\n" + kBlock;
  return file + kUppsala + kBlock;
}

TEST(UsedTwins, ServesATwinInUseOfALargeFileFromItsGatheredCopy) {
  const std::string file = large_coordinate_file();
  StringSource source(file);
  const CoordinateIndex index(source);
  UsedTwins::Tables tables(index, 1);
  UsedTwins used(tables);
  const Line place = LineBreak::of(kUppsala).split(kUppsala);
  const std::uint64_t hash = index.hash(place);
  const std::string_view first = used.twin_block(place, hash).bytes();
  const std::string_view again = used.twin_block(place, hash).bytes();
  EXPECT_EQ(first, kBlock);
  EXPECT_EQ(again.data(), first.data());
  EXPECT_EQ(std::string_view(index.twin_of(place, hash)->block.bytes()), kBlock);
  EXPECT_TRUE(first.data() < index.file().data() || first.data() >= index.file().data() + index.file().size());
}

TEST(UsedTwins, ServesEveryTwinOnceItsShareIsFull) {
  const std::string file = large_coordinate_file();
  StringSource source(file);
  const CoordinateIndex index(source);
  // So many workers that each one's share is two entries, of which it fills
  // one, and a room too small for any twin with its block.
  UsedTwins::Tables tables(index, 1 << 16);
  UsedTwins used(tables);
  const std::string first_place = "2 PLAC Ort 0\n";
  const std::string second_place = "2 PLAC Ort " + std::to_string(first_place.size() + kBlock.size()) + "\n";
  for (int round = 0; round < 2; ++round) {
    for (const std::string& place_line : {first_place, second_place, kUppsala}) {
      const Line place = LineBreak::of(place_line).split(place_line);
      EXPECT_EQ(std::string_view(used.twin_block(place, index.hash(place)).bytes()), kBlock) << place_line;
    }
  }
  const Line without_twin = LineBreak::of("").split("2 PLAC Saknas\n");
  EXPECT_FALSE(used.twin_block(without_twin, index.hash(without_twin)));
}

TEST(MissingPlaces, ListsEachPlaceWithoutTwinOnceAsItStands) {
  const std::string genealogy =
      "2 PLAC Ås\r\n2 PLAC Öja\n2 PLAC Ås\n1 NOTE 2 PLAC Älvkarleby\n2 PLAC Öja\r\n2 PLAC Ås";
  EXPECT_EQ(missing(genealogy, "2 PLAC Öja\na\n"), "2 PLAC Ås\r\n1 NOTE 2 PLAC Älvkarleby\n2 PLAC Ås");
  // Lines that end at another byte than the coordinate file's take its line
  // end, so that the list can be appended to it.
  EXPECT_EQ(missing("2 PLAC Ås\r2 PLAC Öja\r2 PLAC Ön", "0 HEAD\r\n2 PLAC Öja\r\n"), "2 PLAC Ås\r\n2 PLAC Ön");
  EXPECT_EQ(missing("2 PLAC Ås\r", "2 PLAC Öja"), "2 PLAC Ås\r");
  EXPECT_EQ(missing("2 PLAC Ås\n", ""), "2 PLAC Ås\n");
  const std::string long_place = "2 PLAC " + std::string(3 << 20, 'x') + "\n";
  EXPECT_TRUE(missing(long_place + long_place, kUppsala) == long_place);
}

// Random files built from lines that are rich in what the merge must get
// right: markers, near-twins, CR, LF, zero bytes and missing line ends.
class RandomFiles {
 public:
  explicit RandomFiles(unsigned state) : random_(state) {}

  // Most files keep to one of the four line ends; some mix them all.
  std::string file(std::size_t most_lines) {
    static const std::vector<std::string> kEnds = {"\n", "\r\n", "\r", "\n\r", "\r\r\n"};
    const std::size_t convention = pick(kEnds.size() + 2);
    std::string text;
    const std::size_t lines = pick(most_lines + 1);
    for (std::size_t i = 0; i < lines; ++i) {
      text += text_of_line() + kEnds[convention < kEnds.size() ? convention : pick(kEnds.size())];
    }
    if (!text.empty() && pick(4) == 0) text.pop_back();
    return text;
  }

  std::size_t pick(std::size_t below) {
    return std::uniform_int_distribution<std::size_t>(0, below - 1)(random_);
  }

 private:
  std::string text_of_line() {
    static const std::vector<std::string> kTexts = {
        "2 PLAC Ås",  "2 PLAC Ås ",  "2 PLAC Öja", "2 PLAC Öja\r", "2 PLAC", "2 plac Ås",
        "2  PLAC Ås", "12 PLAC Ås",  "1 BIRT",     "2 DATE 1850", "",       "x2 PLAC \0y"s,
        "\0"s,        "2 PLAC Ås\n", "3 MAP",      "2 PLAC 2 PLAC ", "4 LATI N1.5", " 3 MAP x",
        "3 NOTE",     "1 DEAT",
    };
    return kTexts[pick(kTexts.size())];
  }

  std::mt19937 random_;
};

TEST(Merge, AgreesWithTheNaiveModelOnRandomFiles) {
  RandomFiles random(20261208);
  for (int round = 0; round < 20000; ++round) {
    const std::string genealogy = random.file(12);
    // Some coordinate files begin with a UTF-8 byte-order mark, as Windows editors write them.
    const std::string coordinates = (round % 5 == 0 ? "\xef\xbb\xbf" : "") + random.file(14);
    const std::size_t longest_read = 1 + random.pick(8);
    SCOPED_TRACE(testing::Message() << "round " << round);
    const MergeOptions options = {.keep_existing_maps = round % 2 == 0, .workers = 1 + round % 3U};
    MergeReport report;
    MergeReport expected_report;
    ASSERT_EQ(merged_with(options, genealogy, coordinates, longest_read, &report),
              naive::merge(genealogy, coordinates, options, &expected_report));
    ASSERT_EQ(report, expected_report);
    const bool appending = round % 4 == 1;
    ASSERT_EQ(missing(genealogy, coordinates, longest_read, appending),
              naive::missing_places(genealogy, coordinates, appending));
  }
}

TEST(Merge, AgreesWithTheNaiveModelOnOutputOfManyBuffers) {
  RandomFiles random(7);
  std::string genealogy;
  while (genealogy.size() < (3 << 20)) genealogy += random.file(12);
  const std::string coordinates = random.file(14) + "2 PLAC Ås\n" + kBlock;
  const std::string expected = naive::merge(genealogy, coordinates);
  EXPECT_TRUE(merged(genealogy, coordinates) == expected);
  EXPECT_TRUE(merged(genealogy, coordinates, 1000) == expected);
  EXPECT_TRUE(merged_by(2, genealogy, coordinates) == expected);
  EXPECT_TRUE(merged_by(4, genealogy, coordinates, 1000) == expected);
}

// A tree merged, imported into a genealogy program and exported again has
// the blocks under its places already, some after notes of their own; merged
// again with -b it must come out the same, wherever a place and its own
// lines fall among the reader's stretches and the workers.
TEST(Merge, KeepingExistingMapsMakesMergingAgainChangeNothing) {
  RandomFiles random(2027);
  std::string genealogy;
  while (genealogy.size() < (3 << 20)) {
    genealogy += "0 @I1@ INDI\n1 BIRT\n2 PLAC Ort " + std::to_string(random.pick(50)) + "\n";
    // A note longer than any place line, before the map.
    if (random.pick(3) == 0) genealogy += "3 NOTE " + std::string(random.pick(3000), 'n') + "\n" + kBlock;
    genealogy += "2 DATE 1850\n" + kUppsala;
  }
  std::string coordinates;
  for (int place = 0; place < 40; ++place) coordinates += "2 PLAC Ort " + std::to_string(place) + "\n" + kBlock;
  coordinates += kUppsala + kBlock;
  const std::string once = merged_with({.keep_existing_maps = true}, genealogy, coordinates);
  ASSERT_TRUE(once == naive::merge(genealogy, coordinates, {.keep_existing_maps = true}));
  for (const unsigned workers : {1U, 2U, 3U}) {
    for (const std::size_t longest_read : {std::string::npos, std::size_t{4093}}) {
      EXPECT_TRUE(merged_with({.keep_existing_maps = true, .workers = workers}, genealogy, coordinates,
                              longest_read) == once);
      MergeReport report;
      EXPECT_TRUE(merged_with({.keep_existing_maps = true, .workers = workers}, once, coordinates, longest_read,
                              &report) == once);
      EXPECT_TRUE(report.clean());
    }
  }
  // Without -b each place gets a second MAP, and the merge counts them.
  MergeReport report;
  MergeReport expected;
  EXPECT_TRUE(merged_with({.workers = 2}, once, coordinates, 4093, &report) ==
              naive::merge(once, coordinates, {}, &expected));
  EXPECT_GT(report.second_maps, 0U);
  EXPECT_EQ(report, expected);
}

// A block of two MAPs gives its place two, whether or not the tree had one:
// the merge counts it in its warning, once per insertion, as the model does.
TEST(Merge, CountsABlockOfTwoMapsAsASecondMap) {
  const std::string two_maps = "3 MAP\n4 LATI N59.8\n3 MAP\n4 LATI N60.0\n4 LONG E17.0\n";
  const std::string coordinates = kUppsala + two_maps + "2 PLAC Öja\n" + kBlock;
  const std::string genealogy = kFamily + kFamily + "1 BIRT\n2 PLAC Öja\n";
  MergeReport report;
  MergeReport expected;
  EXPECT_TRUE(merged_with({}, genealogy, coordinates, std::string::npos, &report) ==
              naive::merge(genealogy, coordinates, {}, &expected));
  EXPECT_EQ(report, expected);
  EXPECT_EQ(report.second_maps, 2U);
  EXPECT_EQ(report.broken_records + report.cut_short, 0U);
}

// Keys chosen to share a bucket of the standard library's unsalted hash
// spread out under the salted one that tables of the user's keys take.
TEST(SaltedTextHash, SpreadsKeysMadeToCollideInTheStandardHash) {
  constexpr std::size_t kBuckets = 1031;
  std::vector<std::string> colliding;
  for (std::uint64_t candidate = 0; colliding.size() < 200; ++candidate) {
    std::string key = "ort " + std::to_string(candidate);
    if (std::hash<std::string>{}(key) % kBuckets == 0) colliding.push_back(std::move(key));
  }
  const SaltedTextHash salted;
  std::vector<int> buckets(kBuckets, 0);
  for (const std::string& key : colliding) ++buckets[salted(key) % kBuckets];
  EXPECT_LE(*std::max_element(buckets.begin(), buckets.end()), 8);
}

// Lines chosen to fall on one slot under one salt are spread out under
// another: a file prepared against one run's hash costs another run no more
// than any file of its size.
TEST(CoordinateIndex, KeepsProbesShortForLinesMadeToCollide) {
  constexpr std::uint64_t kAttacked = 1;
  constexpr std::size_t kLines = 300;
  // A table's size is a power of two, and its slot is picked by the low bits
  // of the hash: lines whose hashes have the low 12 bits clear start at the
  // first slot of any table of up to 4,096 slots, and 300 lines take fewer.
  std::string coordinates;
  std::size_t found = 0;
  for (std::uint64_t candidate = 0; found < kLines; ++candidate) {
    const std::string text = "2 PLAC Ort " + std::to_string(candidate);
    if ((hash_text(text, kAttacked) & 0xfff) != 0) continue;
    coordinates.append(text).append("\n").append(kBlock);
    ++found;
  }
  StringSource attacked(coordinates);
  EXPECT_GE(CoordinateIndex(attacked, kAttacked).longest_probe(), kLines / 2);
  StringSource another_run(coordinates);
  EXPECT_LE(CoordinateIndex(another_run, 2).longest_probe(), 16U);
}

// Accepts a number of bytes, then fails like a full disk.
class FullSink final : public Sink {
 public:
  explicit FullSink(std::size_t room) : room_(room) {}
  void write(std::string_view bytes) override {
    if (bytes.size() > room_) throw std::runtime_error("full");
    room_ -= bytes.size();
  }

 private:
  std::size_t room_;
};

// Hands out a number of bytes of its text, then fails like a bad disk.
class FailingSource final : public Source {
 public:
  FailingSource(std::string_view text, std::size_t good) : text_(text), good_(good) {}
  std::size_t read(char* into, std::size_t size) override {
    if (good_ == 0) throw std::runtime_error("bad sector");
    const std::size_t got = text_.read(into, std::min(size, good_));
    good_ -= got;
    return got;
  }

 private:
  StringSource text_;
  std::size_t good_;
};

TEST(Merge, PassesOnAFailedWrite) {
  const std::string genealogy = kFamily + std::string(5 << 20, 'x') + "\n" + kFamily;
  const std::string coordinates = kUppsala + kBlock;
  // Short reads make many small blocks, so that some wait behind the one
  // whose write fails.
  for (const unsigned workers : {1U, 2U, 3U}) {
    for (const std::size_t longest_read : {std::string::npos, std::size_t{4096}}) {
      for (const std::size_t room : {std::size_t{0}, std::size_t{1} << 20, std::size_t{5} << 20}) {
        StringSource genealogy_source(genealogy, longest_read);
        StringSource coordinate_source(coordinates);
        FullSink output(room);
        EXPECT_THROW(merge(genealogy_source, coordinate_source, output, {.workers = workers}), std::runtime_error);
      }
    }
  }
  StringSource small_source(kFamily);
  StringSource coordinate_source(coordinates);
  FullSink output(10);
  EXPECT_THROW(merge(small_source, coordinate_source, output), std::runtime_error);
}

TEST(Merge, PassesOnAFailedRead) {
  std::string genealogy;
  for (int i = 0; i < 100000; ++i) genealogy += kFamily;
  const std::string coordinates = kUppsala + kBlock;
  const std::string expected = naive::merge(genealogy, coordinates);
  for (const unsigned workers : {1U, 2U, 3U}) {
    for (const std::size_t good : {std::size_t{0}, std::size_t{1000}, genealogy.size() / 2}) {
      FailingSource genealogy_source(genealogy, good);
      StringSource coordinate_source(coordinates);
      StringSink output;
      EXPECT_THROW(merge(genealogy_source, coordinate_source, output, {.workers = workers}), std::runtime_error);
      // Only whole blocks before the failure went out, in order.
      EXPECT_LE(output.text.size(), good * 2);
      EXPECT_TRUE(std::string_view(expected).starts_with(output.text));
    }
  }
}

}  // namespace
}  // namespace platsmarkeraren
