#include "merge/line.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace platsmarkeraren {
namespace {

std::vector<std::string_view> taken_one_by_one(std::string_view text) {
  std::vector<std::string_view> lines;
  for (const char* next = text.data(); next < text.data() + text.size();) {
    const std::string_view line = take_place_line(next, text.data() + text.size());
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string_view> found_together(std::string_view text) {
  std::vector<std::string_view> lines;
  find_place_lines(text.data(), text.data() + text.size(), lines);
  return lines;
}

// Texts thick with pieces of the marker: markers in the middle of lines,
// several on a line, on a line that straddles the end of a window of the
// search, or cut short by the end of the text.
TEST(FindPlaceLines, FindsWhatTakingOneByOneFinds) {
  std::mt19937 random(20261208);
  const std::vector<std::string> pieces = {"2 PLAC ", "2 PLAC", "PL", "P", "L", "\n", "\r\n", " ", "x", "åäö"};
  for (int round = 0; round < 4000; ++round) {
    const std::size_t wanted = round % 8 == 0 ? random() % 20000 : random() % 400;
    std::string text;
    while (text.size() < wanted) text += pieces[random() % pieces.size()];
    // A copy holds no more memory than the text and its terminator, so that
    // a sanitizer sees a search that reads past the end.
    const std::string copy = text;
    const std::string_view whole(copy);
    for (const std::size_t skip : {std::size_t{0}, std::size_t{3}}) {
      if (skip > whole.size()) continue;
      SCOPED_TRACE(testing::Message() << "round " << round << ", skipping " << skip);
      ASSERT_EQ(found_together(whole.substr(skip)), taken_one_by_one(whole.substr(skip)));
    }
  }
}

TEST(FindPlaceLines, AppendsToWhatIsThere) {
  const std::string text = std::string(100, 'x') + "\n2 PLAC Ås\n" + std::string(100, 'y');
  std::vector<std::string_view> lines = {"kept"};
  find_place_lines(text.data(), text.data() + text.size(), lines);
  EXPECT_EQ(lines, (std::vector<std::string_view>{"kept", "2 PLAC Ås\n"}));
}

}  // namespace
}  // namespace platsmarkeraren
