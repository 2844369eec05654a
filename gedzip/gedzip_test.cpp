#include "gedzip/gedzip.hpp"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/memory_stream.hpp"
#include "core/test_files.hpp"
#include "gedzip/memory_file.hpp"

namespace platsmarkeraren {
namespace {

std::string little(std::uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
  return out;
}

using test_files::deflated;

struct Member {
  std::string name;
  std::string text;
  bool deflate = true;
};

// A zip as zip tools write one, each entry with its own time and
// attributes so that a copy that loses them shows.
std::string zip_of(const std::vector<Member>& members) {
  std::string archive;
  std::string directory;
  std::uint16_t stamp = 0x4a21;
  for (const Member& member : members) {
    const std::string data = member.deflate ? deflated(member.text) : member.text;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(member.text.data()), static_cast<uInt>(member.text.size())));
    const std::string common = little(member.deflate ? 8 : 0, 2) + little(stamp, 2) + little(stamp + 1, 2) +
                               little(crc, 4) + little(data.size(), 4) + little(member.text.size(), 4) +
                               little(member.name.size(), 2);
    const std::uint64_t offset = archive.size();
    for (const std::string& part : {little(0x04034b50, 4), little(20, 2), little(0, 2), common, little(0, 2),
                                    member.name, data}) {
      archive += part;
    }
    for (const std::string& part : {little(0x02014b50, 4), little(0x031e, 2), little(20, 2), little(0, 2), common,
                                    little(0, 2), little(member.name.size(), 2), little(0, 2), little(1, 2),
                                    little(0x81a40000U + stamp, 4), little(offset, 4), member.name,
                                    member.name}) {  // the comment repeats the name
      directory += part;
    }
    stamp += 2;
  }
  return archive + directory + little(0x06054b50, 4) + little(0, 4) + little(members.size(), 2) +
         little(members.size(), 2) + little(directory.size(), 4) + little(archive.size(), 4) + little(0, 2);
}

std::string read_all(Source& source) {
  std::string text;
  std::vector<char> buffer(777);
  for (std::size_t got; (got = source.read(buffer.data(), buffer.size())) > 0;) text.append(buffer.data(), got);
  return text;
}

const std::string kTree = "\xEF\xBB\xBF" "0 HEAD\n1 GEDC\n2 VERS 7.0\n0 @I1@ INDI\n1 BIRT\n2 PLAC Rasbo\n0 TRLR\n";

// The new archive: every other entry as it was, the tree deflated anew.
std::string rewritten(const std::string& archive, const std::string& new_tree) {
  MemoryFile file(archive, 4096);
  std::optional<Gedzip> gedzip = Gedzip::open(file);
  EXPECT_TRUE(gedzip.has_value());
  StringSink out;
  gedzip->write(out, [&](Sink& tree) { tree.write(new_tree); });
  return out.text;
}

std::string tree_of(const std::string& archive) {
  MemoryFile file(archive, 4096);
  std::optional<Gedzip> gedzip = Gedzip::open(file);
  if (!gedzip) return "no archive";
  try {
    const std::unique_ptr<Source> tree = gedzip->tree();
    return read_all(*tree);
  } catch (const GedzipError& error) {
    return error.what();
  }
}

std::string refusal(const std::string& archive) {
  try {
    MemoryFile file(archive, 4096);
    return Gedzip::open(file) ? "an archive" : "no archive";
  } catch (const GedzipError& error) {
    return error.what();
  }
}

// Only a zip whose directory names gedcom.ged is a GEDZIP; its tree reads
// inflated or stored, wherever it stands among the media.
TEST(Gedzip, IsAZipThatNamesItsTree) {
  const std::string photo(300000, '\x7f');
  EXPECT_EQ(tree_of(zip_of({{"gedcom.ged", kTree}})), kTree);
  EXPECT_EQ(tree_of(zip_of({{"media/foto.jpg", photo, false}, {"gedcom.ged", kTree, false}})), kTree);
  EXPECT_EQ(tree_of(zip_of({{"GEDCOM.GED", kTree}})), "no archive");
  EXPECT_EQ(tree_of(zip_of({{"media/gedcom.ged", kTree}})), "no archive");
  const std::string zip = zip_of({{"gedcom.ged", kTree}});
  EXPECT_EQ(tree_of(zip.substr(0, zip.size() - 1)), "no archive");  // no directory's end
  EXPECT_EQ(tree_of("PK\x03\x04 then nothing a zip holds"), "no archive");
}

// Rewritten, the archive keeps every other entry's bytes, name, time,
// attributes and comment, in order; the tree is the new one.
TEST(Gedzip, WritesEveryOtherEntryAsItWas) {
  const std::string photo(300000, '\x7f');
  const std::string archive = zip_of({{"media/foto.jpg", photo, false},
                                      {"gedcom.ged", kTree},
                                      {"../utanför.txt", "bara ett namn\n"},
                                      {"/etc/passwd\x1b[2J", "ett namn till\n"}});
  const std::string merged = kTree + "3 MAP\n";
  const std::string written = rewritten(archive, merged);
  EXPECT_EQ(tree_of(written), merged);
  // Each copied entry's local header and data stand in the new archive.
  for (const std::string& name : {std::string("media/foto.jpg"), std::string("../utanför.txt")}) {
    const std::size_t old_at = archive.find(name) - 30;
    const std::size_t new_at = written.find(name) - 30;
    EXPECT_EQ(written.substr(new_at, 30 + name.size() + 100), archive.substr(old_at, 30 + name.size() + 100)) << name;
  }
  // The directory keeps times, attributes and comments.
  EXPECT_NE(written.find(little(0x81a40000U + 0x4a21, 4)), std::string::npos);
  EXPECT_NE(written.find("/etc/passwd\x1b[2J/etc/passwd\x1b[2J"), std::string::npos);
  // Written again with the same tree, the archive is the same bytes.
  EXPECT_EQ(rewritten(written, merged), written);
}

// An archive that names gedcom.ged but lies about it gets one line, never
// a tree read wrong.
TEST(Gedzip, RefusesADamagedTree) {
  const std::string archive = zip_of({{"gedcom.ged", kTree}});
  std::string bad_crc = archive;
  bad_crc[archive.find("PK\x01\x02") + 16] ^= 1;
  EXPECT_EQ(tree_of(bad_crc), "gedcom.ged i arkivet är skadat: kontrollsumman eller storleken stämmer inte");
  std::string bad_data = archive;
  bad_data[40] = '\xff';
  EXPECT_NE(tree_of(bad_data).find("gedcom.ged i arkivet är skadat"), std::string::npos);
  std::string encrypted = archive;
  encrypted[archive.find("PK\x01\x02") + 8] = 1;
  EXPECT_EQ(tree_of(encrypted), "gedcom.ged i arkivet är skadat: det är krypterat");
  std::string other_method = archive;
  other_method[archive.find("PK\x01\x02") + 10] = 12;
  EXPECT_EQ(tree_of(other_method), "gedcom.ged i arkivet är skadat: det är packat med metod 12, som inte läses här");
  std::string overlapping = zip_of({{"a.txt", "aaaa"}, {"gedcom.ged", kTree}});
  overlapping[overlapping.rfind("PK\x01\x02") + 42] = 0;  // the tree's header said to be the first entry's
  EXPECT_EQ(refusal(overlapping), "arkivet är skadat: posterna står inte i ordning eller går in i varandra");
  EXPECT_EQ(refusal(zip_of({{"gedcom.ged", kTree}, {"gedcom.ged", kTree}})), "arkivet är skadat: det har två gedcom.ged");
}

}  // namespace
}  // namespace platsmarkeraren
