#include "core/line.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace platsmarkeraren {
namespace {

std::vector<std::string_view> taken_one_by_one(std::string_view text, LineBreak line_break) {
  std::vector<std::string_view> lines;
  for (const char* next = text.data(); next < text.data() + text.size();) {
    const std::string_view line = take_place_line(next, text.data() + text.size(), line_break);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string_view> found_together(std::string_view text, LineBreak line_break) {
  std::vector<std::string_view> lines;
  find_place_lines(text.data(), text.data() + text.size(), line_break, lines);
  return lines;
}

// Texts thick with pieces of the marker: markers in the middle of lines,
// several on a line, on a line that straddles the end of a window of the
// search, or cut short by the end of the text.
TEST(FindPlaceLines, FindsWhatTakingOneByOneFinds) {
  std::mt19937 random(20261208);
  const std::vector<std::string> pieces = {"2 PLAC ", "2 PLAC", "PL", "P", "L", "\n", "\r\n", "\r", " ", "x", "åäö"};
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
      const LineBreak line_break = LineBreak::of(whole);
      ASSERT_EQ(found_together(whole.substr(skip), line_break), taken_one_by_one(whole.substr(skip), line_break));
    }
  }
}

// A file's first line end decides where all its lines end, and how each of
// them splits into text and line end.
TEST(LineBreak, IsFoundFromTheFirstLineEnd) {
  struct Convention {
    std::string_view file;
    std::string_view line;
    std::string_view text;
    std::string_view end;
  };
  for (const Convention c : {Convention{"0 HEAD\n1 X", "a\n", "a", "\n"}, Convention{"0 HEAD\r\n", "a\r\n", "a", "\r\n"},
                             Convention{"0 HEAD\r1 X", "a\r", "a", "\r"}, Convention{"0 HEAD\n\r1", "a\n\r", "a", "\n\r"},
                             Convention{"0 HEAD", "a\r", "a\r", ""}, Convention{"0 HEAD\r", "a\n", "a\n", ""},
                             Convention{"0 HEAD\n", "\n\r", "\n\r", ""}}) {
    SCOPED_TRACE(c.file);
    const LineBreak line_break = LineBreak::of(c.file);
    const Line line = line_break.split(c.line);
    EXPECT_EQ(line.text, c.text);
    EXPECT_EQ(line.end, c.end);
    EXPECT_EQ(line_break.end(c.end.size()), c.end);
  }
}

TEST(FindPlaceLines, AppendsToWhatIsThere) {
  const std::string text = std::string(100, 'x') + "\n2 PLAC Ås\n" + std::string(100, 'y');
  std::vector<std::string_view> lines = {"kept"};
  find_place_lines(text.data(), text.data() + text.size(), LineBreak(), lines);
  EXPECT_EQ(lines, (std::vector<std::string_view>{"kept", "2 PLAC Ås\n"}));
}

}  // namespace
}  // namespace platsmarkeraren
