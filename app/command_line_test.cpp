#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace platsmarkeraren {
namespace {

Command parse(std::initializer_list<const char*> args) {
  return parse_command_line(std::span<const char* const>(args.begin(), args.size()));
}

using Files = std::vector<std::string>;

TEST(CommandLine, CountsFileNamesForTheChosenRun) {
  EXPECT_EQ(parse({}).action, Action::wrong_count);
  EXPECT_EQ(parse({"-r"}).action, Action::wrong_count);
  EXPECT_EQ(parse({"-r", "a", "b", "c"}).action, Action::wrong_count);
  EXPECT_EQ(parse({"a", "b"}).action, Action::wrong_count);
  EXPECT_EQ(parse({"a", "b", "c"}).action, Action::merge);
  EXPECT_EQ(parse({"-r", "-r", "a", "b"}).action, Action::merge);
  EXPECT_EQ(parse({"-l", "a", "b"}).action, Action::list);
  EXPECT_EQ(parse({"-Lr", "a", "b"}).action, Action::list);
  EXPECT_EQ(parse({"-l", "a", "b", "c"}).action, Action::wrong_count);
  EXPECT_EQ(parse({"-K", "a", "b"}).action, Action::check);
  EXPECT_EQ(parse({"-k", "a", "b", "c"}).action, Action::check);  // with a gazetteer
  EXPECT_EQ(parse({"-k", "a", "b", "c", "d"}).action, Action::wrong_count);
  EXPECT_EQ(parse({"-T", "a", "b"}).action, Action::recover);
  EXPECT_EQ(parse({"-tr", "a", "b", "c"}).action, Action::wrong_count);
  // x is a letter like any unknown one: skipped, the run as without it.
  EXPECT_EQ(parse({"-x", "a", "b", "c"}).action, Action::merge);
  EXPECT_EQ(parse({"-X", "a", "b"}).action, Action::wrong_count);
  EXPECT_TRUE(parse({"-rB", "a", "b"}).keep_existing_maps);
  EXPECT_EQ(parse({"-b", "a", "b", "c"}).action, Action::merge);
}

TEST(CommandLine, HelpAndVersionEndTheScanWhereReached) {
  EXPECT_EQ(parse({"-rh", "a"}).action, Action::show_usage);
  EXPECT_EQ(parse({"-hr"}).action, Action::show_usage);
  EXPECT_EQ(parse({"-vh"}).action, Action::show_version);
  EXPECT_EQ(parse({"-hv"}).action, Action::show_usage);
  EXPECT_EQ(parse({"-H", "x"}).action, Action::show_usage);
  EXPECT_EQ(parse({"-V"}).action, Action::show_version);
  EXPECT_EQ(parse({"-l", "-v", "a", "b"}).action, Action::show_version);
  // After the first file name, -h is a file name like any other.
  EXPECT_EQ(parse({"a", "b", "-h"}).action, Action::merge);
}

TEST(CommandLine, OptionsStandOnlyBeforeTheFirstFileName) {
  const Command skipped = parse({"-q", "--", "-r-", "a", "b"});
  EXPECT_EQ(skipped.action, Action::merge);
  EXPECT_TRUE(skipped.redirect);
  EXPECT_EQ(skipped.files, (Files{"a", "b"}));

  const Command lone_hyphen = parse({"-", "-r", "c"});
  EXPECT_FALSE(lone_hyphen.redirect);
  EXPECT_EQ(lone_hyphen.files, (Files{"-", "-r", "c"}));

  EXPECT_EQ(parse({"-R", "a", "b"}).files, (Files{"a", "b"}));
  EXPECT_EQ(parse({"a", "b", "c", "-r"}).action, Action::wrong_count);
}

}  // namespace
}  // namespace platsmarkeraren
