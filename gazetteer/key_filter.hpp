// Tells in one probe, for nearly every name of a gazetteer, that no place
// looked for has it. First a bitmap of 2^18 bits, one set for each key
// looked for at a place found from its size and its first and last eight
// bytes: a few loads and a multiply, and with the few thousand keys of a
// tree nearly every other name finds its bit clear. A name that passes is
// then hashed in full and looked for among the keys' hashes, in a flat
// table kept at most half full, 0 marking an empty slot. A name that passes
// both may still be none of them; the exact look-up that follows decides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/hash.hpp"

namespace platsmarkeraren {

class KeyFilter {
 public:
  explicit KeyFilter(const std::vector<std::string>& keys, std::uint64_t salt = random_salt());

  // Whether the ASCII key of a name, or the key without a closing word
  // that may be a parish word, may be looked for.
  bool may_hold(std::string_view key) const;

 private:
  bool holds(std::string_view key) const;
  static std::uint64_t nonzero(std::uint64_t hash) { return hash == 0 ? 1 : hash; }
  static std::size_t bit_of(std::string_view key);

  std::vector<std::uint64_t> bits_;
  std::uint64_t salt_;
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
};

}  // namespace platsmarkeraren
