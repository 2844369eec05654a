#include "gazetteer/key_filter.hpp"

#include <bit>

#include "gazetteer/place_name.hpp"

namespace platsmarkeraren {

KeyFilter::KeyFilter(const std::vector<std::string>& keys, std::uint64_t salt) : salt_(salt) {
  slots_.assign(std::bit_ceil(keys.size() * 2 + 2), 0);
  mask_ = slots_.size() - 1;
  for (const std::string& key : keys) {
    const std::uint64_t hash = nonzero(hash_text(key, salt_));
    std::size_t slot = hash & mask_;
    while (slots_[slot] != 0 && slots_[slot] != hash) slot = (slot + 1) & mask_;
    slots_[slot] = hash;
  }
}

bool KeyFilter::holds(std::string_view key) const {
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
  return holds(stem) || (stem.size() > 1 && stem.ends_with('s') && holds(stem.substr(0, stem.size() - 1)));
}

}  // namespace platsmarkeraren
