// A fast, non-cryptographic hash of a line's text, eight bytes at a time,
// for the coordinate index. Equal lines are always compared in full after a
// hash match, so quality only has to be good enough to keep probes short.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace platsmarkeraren {

inline std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  h ^= h >> 32;
  return h;
}

inline std::uint64_t hash_text(std::string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
  std::uint64_t h = text.size() * kMultiplier;
  const char* p = text.data();
  std::size_t left = text.size();
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 29;
  }
  if (left > 0) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, left);
    h = (h ^ word) * kMultiplier;
  }
  return mix(h);
}

}  // namespace platsmarkeraren
