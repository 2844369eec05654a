#include "gazetteer/key_filter.hpp"

#include <bit>
#include <cstring>

#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

namespace {

constexpr int kBitmapBits = 18;

}  // namespace

std::size_t KeyFilter::bit_of(std::string_view key) {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  const std::size_t bytes = key.size() < 8 ? key.size() : 8;
  std::memcpy(&first, key.data(), bytes);
  std::memcpy(&last, key.data() + key.size() - bytes, bytes);
  const std::uint64_t mixed = (first ^ (last * 0x9E3779B97F4A7C15ULL) ^ key.size()) * 0xD6E8FEB86659FD93ULL;
  return static_cast<std::size_t>(mixed >> (64 - kBitmapBits));
}

KeyFilter::KeyFilter(const std::vector<std::string>& keys, std::uint64_t salt)
    : bits_(std::size_t{1} << (kBitmapBits - 6), 0), salt_(salt) {
  slots_.assign(std::bit_ceil(keys.size() * 2 + 2), 0);
  mask_ = slots_.size() - 1;
  for (const std::string& key : keys) {
    bits_[bit_of(key) >> 6] |= std::uint64_t{1} << (bit_of(key) & 63);
    const std::uint64_t hash = nonzero(hash_text(key, salt_));
    std::size_t slot = hash & mask_;
    while (slots_[slot] != 0 && slots_[slot] != hash) slot = (slot + 1) & mask_;
    slots_[slot] = hash;
  }
}

bool KeyFilter::holds(std::string_view key) const {
  const std::size_t bit = bit_of(key);
  if ((bits_[bit >> 6] & (std::uint64_t{1} << (bit & 63))) == 0) return false;
  const std::uint64_t hash = nonzero(hash_text(key, salt_));
  for (std::size_t slot = hash & mask_; slots_[slot] != 0; slot = (slot + 1) & mask_) {
    if (slots_[slot] == hash) return true;
  }
  return false;
}

bool KeyFilter::may_hold(std::string_view key) const {
  if (holds(key)) return true;
  const std::size_t space = key.rfind(' ');
  if (space == std::string_view::npos) return false;
  // An ASCII key has lost the ö of "förs", so "fors" may close a parish
  // name here; the exact look-up after tells.
  const std::string_view word = key.substr(space + 1);
  if (word != "fors" && parish_forms(key).stem.empty()) return false;
  const std::string_view stem = key.substr(0, space);
  const std::string_view genitive = genitive_stem(stem);
  return holds(stem) || (!genitive.empty() && holds(genitive));
}

}  // namespace platsmarkeraren
