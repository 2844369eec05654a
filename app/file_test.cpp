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

// A file that is gone is never named as what was read last: its
// description went with it.
TEST(InputFile, IsNoLongerNamedOnceDestroyed) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "platsmarkeraren-file-test-2.txt";
  std::ofstream(path, std::ios::binary) << "x";
  {
    InputFile file("ortregister", path.string());
    char byte = 0;
    file.read(&byte, 1);
    EXPECT_EQ(reading_now(), "ortregister \"" + path.string() + "\"");
  }
  EXPECT_EQ(reading_now(), "");
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace platsmarkeraren
