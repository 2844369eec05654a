// The records of a zip archive, as both readers of zips meet them: a
// gazetteer as GeoNames ships it, and a GEDZIP tree. Numbers are little
// endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platsmarkeraren {

inline constexpr std::uint32_t kZipLocalHeader = 0x04034b50;
inline constexpr std::uint32_t kZipDescriptor = 0x08074b50;
inline constexpr std::uint32_t kZipDirectoryEntry = 0x02014b50;
inline constexpr std::uint32_t kZipDirectoryEnd = 0x06054b50;
inline constexpr std::uint32_t kZip64DirectoryEnd = 0x06064b50;
inline constexpr std::uint32_t kZip64Locator = 0x07064b50;
// A 32-bit size or offset that stands in a ZIP64 field instead.
inline constexpr std::uint32_t kZipUnknown32 = 0xffffffff;

// The number of `count` bytes at `bytes`.
inline std::uint64_t little_endian(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

}  // namespace platsmarkeraren
