#include "core/block_shape.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platsmarkeraren {
namespace {

std::vector<std::string> drafted(const std::string& file) {
  return BlockShape::of(file, LineBreak::of(file)).block("N5.5", "E5.5", "källa", "tack");
}

const std::vector<std::string> kStandard = {"3 MAP", "4 LATI N5.5", "4 LONG E5.5", "3 NOTE källa", "4 CONT tack"};

// A line that varies from block to block becomes the note on the source,
// unless it is one of the lines that hold the coordinates.
TEST(BlockShape, FollowsTheFileOnlyWhereItsMapHoldsTheCoordinates) {
  EXPECT_EQ(drafted("2 PLAC A\n3 FORM Socken\n3 MAP\n4 LATI N1.5\n4 LONG E1.5\n3 NOTE a\n"
                    "2 PLAC B\n3 FORM By\n3 MAP\n4 LATI N2.5\n4 LONG E2.5\n3 NOTE a\n"),
            (std::vector<std::string>{"3 NOTE källa", "3 MAP", "4 LATI N5.5", "4 LONG E5.5", "3 NOTE a"}));
  // Blocks that differ only in a blank after MAP.
  EXPECT_EQ(drafted("2 PLAC K1\n3 MAP\n4 LATI N1.5\n4 LONG E1.5\n3 NOTE a\n3 NOTE b\n"
                    "2 PLAC K2\n3 MAP \n4 LATI N2.5\n4 LONG E2.5\n3 NOTE a\n3 NOTE c\n"),
            kStandard);
  // LATI and LONG under a note, or under a MAP one level too deep.
  EXPECT_EQ(drafted("2 PLAC K1\n3 NOTE x\n4 LATI N1.5\n4 LONG E1.5\n3 NOTE a\n3 NOTE b\n"), kStandard);
  EXPECT_EQ(drafted("2 PLAC K1\n3 _X y\n4 MAP\n5 LATI N1.5\n5 LONG E1.5\n3 NOTE b\n"), kStandard);
  EXPECT_EQ(drafted(""), kStandard);
}

}  // namespace
}  // namespace platsmarkeraren
