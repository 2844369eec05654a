#include "core/stretch_reader.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_stream.hpp"

namespace platsmarkeraren {
namespace {

struct Read {
  std::string bytes;                     // the stretches, one after another
  std::vector<std::string> place_lines;  // with what follows each in its stretch
};

// Reads each stretch into a buffer of its own that is gone before the next
// read: a stretch must owe nothing to the buffers before it.
Read read_all(Source& genealogy, std::size_t hold_limit) {
  StretchReader reader(genealogy, ReadRules{.hold_limit = hold_limit});
  Read read;
  Stretch stretch;
  for (;;) {
    const auto buffer = std::make_unique<StretchReader::ReadBuffer>();
    if (!reader.next(*buffer, stretch)) return read;
    read.bytes += stretch.bytes;
    const char* const last = stretch.bytes.data() + stretch.bytes.size();
    for (const std::string_view line : stretch.place_lines) read.place_lines.emplace_back(line.data(), last);
  }
}

TEST(StretchReader, HandsOverWholePlaceLinesWithTheirOwnLines) {
  std::string tree = "0 HEAD\r\n";
  for (int i = 0; i < 2000; ++i) {
    tree += "0 @I" + std::to_string(i) + "@ INDI\r\n1 BIRT\r\n2 PLAC Ort " + std::to_string(i) +
            "\r\n3 MAP\r\n4 LATI N59.8\r\n4 LONG E17.6\r\n";
  }
  tree += "0 TRLR\r\n";
  // Short reads end stretches all over the lines.
  StringSource source(tree, 1009);
  const Read read = read_all(source, 0);
  EXPECT_EQ(read.bytes, tree);
  ASSERT_EQ(read.place_lines.size(), 2000U);
  for (int i = 0; i < 2000; ++i) {
    EXPECT_TRUE(read.place_lines[i].starts_with("2 PLAC Ort " + std::to_string(i) +
                                                "\r\n3 MAP\r\n4 LATI N59.8\r\n4 LONG E17.6\r\n"));
  }
}

TEST(StretchReader, PassesOnALineTooLongToHoldInPiecesAsNoPlaceLine) {
  // Longer than a read: held whole, it goes on from stretch to stretch
  // where it stands.
  const std::string note = "1 NOTE 2 PLAC " + std::string(300000, 'x') + "\n";
  const std::string tree = "0 HEAD\n" + note + "2 PLAC Uppsala\n0 TRLR\n";
  StringSource held(tree, 10000);
  const Read whole = read_all(held, std::numeric_limits<std::size_t>::max());
  EXPECT_EQ(whole.bytes, tree);
  EXPECT_EQ(whole.place_lines.size(), 2U);
  StringSource passed(tree, 10000);
  const Read pieces = read_all(passed, 100);
  EXPECT_EQ(pieces.bytes, tree);
  ASSERT_EQ(pieces.place_lines.size(), 1U);
  EXPECT_TRUE(pieces.place_lines[0].starts_with("2 PLAC Uppsala\n"));
}

}  // namespace
}  // namespace platsmarkeraren
