// A fast, non-cryptographic hash of a line's text, for the coordinate index:
// sixteen bytes a step, folded through a 64 by 64 to 128 bit multiply where
// the compiler has one. Equal lines are always compared in full after a hash
// match, so the hash only has to keep probes short. It is salted anew for
// every run: coordinate files are shared between genealogists, and lines
// made to collide under one salt would otherwise turn every lookup into a
// long search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace platsmarkeraren {

namespace hash_detail {

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;
#endif

inline std::uint64_t fold_multiply(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
  const Wide product = static_cast<Wide>(a) * b;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
#else
  const std::uint64_t product = a * (b | 1);
  return product ^ (product >> 29) ^ b;
#endif
}

inline std::uint64_t load(const char* p, std::size_t bytes) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, bytes);
  return word;
}

}  // namespace hash_detail

// A salt that differs from run to run.
std::uint64_t random_salt();

inline std::uint64_t hash_text(std::string_view text, std::uint64_t salt) {
  using hash_detail::fold_multiply;
  using hash_detail::load;
  constexpr std::uint64_t k0 = 0xa0761d6478bd642fULL;
  constexpr std::uint64_t k1 = 0xe7037ed1a0b428dbULL;
  constexpr std::uint64_t k2 = 0x8ebc6af09c88c6e3ULL;
  const char* p = text.data();
  std::size_t left = text.size();
  std::uint64_t h = k0 ^ salt ^ left;
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  if (left > 16) {
    for (; left > 16; p += 16, left -= 16) h = fold_multiply(load(p, 8) ^ k1, load(p + 8, 8) ^ h);
    // The last sixteen bytes, overlapping the step before where they must.
    a = load(p + left - 16, 8);
    b = load(p + left - 8, 8);
  } else if (left >= 8) {
    a = load(p, 8);
    b = load(p + left - 8, 8);
  } else if (left > 0) {
    a = load(p, left);
  }
  return fold_multiply(k1 ^ salt ^ left, fold_multiply(a ^ k2, b ^ h));
}

// The hash of a standard hash table whose keys come from a user's files:
// the standard library's own is not salted, so keys made to collide in it
// would turn the table into a list.
struct SaltedTextHash {
  std::uint64_t salt = random_salt();
  std::size_t operator()(const std::string& text) const { return static_cast<std::size_t>(hash_text(text, salt)); }
};

}  // namespace platsmarkeraren
