#include "app/file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace platsmarkeraren {
namespace {

// The merge sizes its reads of the coordinate file by the hint: without it a
// large file is read in ever-doubling pieces, copied at every step.
TEST(InputFile, HintsAtTheSizeOfARegularFile) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "platsmarkeraren-file-test.txt";
  std::ofstream(path, std::ios::binary) << std::string(12345, 'x');
  {
    InputFile file("koordinatfil", path.string());
    EXPECT_EQ(file.size_hint(), 12345U);
    char byte = 0;
    EXPECT_EQ(file.read(&byte, 1), 1U);
    file.close();
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace platsmarkeraren
