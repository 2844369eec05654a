#include "gazetteer/gazetteer_file.hpp"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/memory_stream.hpp"
#include "gazetteer/gazetteer.hpp"
#include "core/test_files.hpp"

namespace platsmarkeraren {
namespace {

using test_files::deflated;
using test_files::read_file;

const std::string& gazetteer() {
  static const std::string text = read_file(PLATSMARKERAREN_EXAMPLES "/ortregister.txt");
  return text;
}

std::string little(std::uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
  return out;
}

void put(std::string& out, std::initializer_list<std::string> parts) {
  for (const std::string& part : parts) out += part;
}

struct ZipEntry {
  std::string name;
  std::string text;
  bool deflate = true;
  bool zip64 = false;      // sizes in a ZIP64 extra field
  bool descriptor = false;  // sizes and check sum after the data
};

// A zip archive written as zip tools write one: local headers, data, a
// directory at the end.
std::string zip_of(const std::vector<ZipEntry>& entries) {
  std::string archive;
  std::string directory;
  for (const ZipEntry& entry : entries) {
    const std::string data = entry.deflate ? deflated(entry.text) : entry.text;
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.text.data()),
                                                      static_cast<uInt>(entry.text.size())));
    std::string extra;
    if (entry.zip64) put(extra, {little(1, 2), little(16, 2), little(entry.text.size(), 8), little(data.size(), 8)});
    const bool hidden = entry.descriptor;
    const std::uint64_t offset = archive.size();
    put(archive, {little(0x04034b50, 4), little(45, 2), little(hidden ? 8 : 0, 2), little(entry.deflate ? 8 : 0, 2),
                  little(0, 4), little(hidden ? 0 : crc, 4), little(hidden ? 0 : entry.zip64 ? 0xffffffff : data.size(), 4),
                  little(hidden ? 0 : entry.zip64 ? 0xffffffff : entry.text.size(), 4), little(entry.name.size(), 2),
                  little(extra.size(), 2), entry.name, extra, data});
    if (hidden) put(archive, {little(0x08074b50, 4), little(crc, 4), little(data.size(), 4), little(entry.text.size(), 4)});
    put(directory, {little(0x02014b50, 4), std::string(12, '\0'), little(crc, 4), little(data.size(), 4),
                    little(entry.text.size(), 4), little(entry.name.size(), 2), std::string(12, '\0'), little(offset, 4),
                    entry.name});
  }
  return archive + directory + little(0x06054b50, 4) + std::string(18, '\0');
}

std::string plain_text_of(const std::string& file, std::size_t chunk = 1000) {
  StringSource source(file, chunk);
  GazetteerFile downloaded(source, "ortregister \"o\"");
  std::string text;
  std::vector<char> buffer(777);
  for (std::size_t got; (got = downloaded.read(buffer.data(), buffer.size())) > 0;) text.append(buffer.data(), got);
  return text;
}

std::string refusal(const std::string& file) {
  try {
    plain_text_of(file);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "no error";
}

std::string drafted(const std::string& file) {
  const std::string tree = "0 HEAD\n1 CHAR UTF-8\n1 EVEN\n2 PLAC Falun\n1 EVEN\n2 PLAC Berg, Sverige\n0 TRLR\n";
  StringSource genealogy(tree);
  StringSource coordinates("");
  StringSource source(file, 4096);
  GazetteerFile downloaded(source, "ortregister \"o\"");
  StringSink out;
  draft_coordinates(genealogy, coordinates, &downloaded, "ortregister \"o\"", out);
  return out.text;
}

// As downloaded, zipped or gzipped, a gazetteer reads as its plain text,
// and drafts alike.
TEST(GazetteerFile, ReadsAGazetteerAsDownloaded) {
  const std::string& plain = gazetteer();
  const std::string half = plain.substr(0, plain.find("9200020"));
  const std::string rest = plain.substr(half.size());
  const std::vector<std::string> files = {
      plain,
      deflated(plain, 31),
      deflated(half, 31) + deflated(rest, 31),  // gzip members one after another
      zip_of({{"SE.txt", plain}}),
      zip_of({{"readme.txt", "Om filerna\n"}, {"SE.txt", half}, {"dir/", ""}, {"NO.txt", rest, false}}),
      zip_of({{"SE.txt", half, true, true}, {"NO.txt", rest, true, false, true}}),
  };
  for (const std::string& file : files) {
    EXPECT_EQ(plain_text_of(file), plain);
    EXPECT_EQ(drafted(file), drafted(plain));
  }
  // A file's last row without its line feed still ends before the next file's first.
  EXPECT_EQ(plain_text_of(zip_of({{"a.txt", half.substr(0, half.size() - 1)}, {"b.txt", rest}})), plain);
}

// An archive that lies about itself, ends early, or holds no GeoNames file,
// and a file that is plainly something else: one line naming the file.
TEST(GazetteerFile, RefusesWhatItCannotReadWithWordsForWhy) {
  const std::string& plain = gazetteer();
  const std::string zip = zip_of({{"SE.txt", plain}});
  EXPECT_EQ(refusal(zip.substr(0, zip.size() / 2)),
            "ortregister \"o\" tar slut mitt i en packad fil: den är avbruten eller trasig; hämta den igen");
  std::string bad_crc = zip;
  bad_crc[14] = static_cast<char>(bad_crc[14] ^ 1);
  EXPECT_NE(refusal(bad_crc).find("stämmer inte med sin kontrollsumma"), std::string::npos);
  std::string bad_size = zip;
  bad_size[22] = static_cast<char>(bad_size[22] ^ 1);
  EXPECT_NE(refusal(bad_size).find("inte så stor som arkivet säger"), std::string::npos);
  std::string small = zip;
  small[18] = static_cast<char>(small[18] - 8);
  EXPECT_NE(refusal(small).find("större packad än arkivet säger"), std::string::npos) << refusal(small);
  std::string encrypted = zip;
  encrypted[6] = 1;
  EXPECT_NE(refusal(encrypted).find("krypterad"), std::string::npos);
  std::string other_method = zip;
  other_method[8] = 12;  // bzip2
  EXPECT_NE(refusal(other_method).find("metod som programmet inte läser (nummer 12)"), std::string::npos);
  std::string garbled = zip;
  garbled[40] = static_cast<char>(~garbled[40]);
  EXPECT_NE(refusal(garbled).find("trasig"), std::string::npos) << refusal(garbled);
  EXPECT_EQ(refusal(zip_of({{"readme.txt", "Om filerna\n"}})),
            "ortregister \"o\" är ett zip-arkiv utan någon GeoNames-fil (det har readme.txt); välj GeoNames-filen som "
            "du hämtade, till exempel SE.zip från download.geonames.org");
  EXPECT_NE(refusal(deflated(plain, 31).substr(0, 100)).find("tar slut mitt i"), std::string::npos);
  EXPECT_NE(refusal("0 HEAD\n1 CHAR UTF-8\n").find("är ett släktträd (GEDCOM)"), std::string::npos);
  EXPECT_NE(refusal("2 PLAC Rasbo\n3 MAP\n").find("är en koordinatfil"), std::string::npos);
  EXPECT_NE(refusal(std::string("\x7f" "ELF\0\0", 6)).find("är ingen textfil"), std::string::npos);
}

}  // namespace
}  // namespace platsmarkeraren
