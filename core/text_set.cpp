#include "core/text_set.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "core/stream.hpp"

namespace platsmarkeraren {

namespace {

// Chunks grow from the first to the largest, so that a short list costs
// little; a chunk's bytes are written before they are read.
constexpr std::size_t kFirstChunk = 1 << 12;
constexpr std::size_t kChunk = 1 << 20;
constexpr int kPlaceBits = 24;
constexpr int kChunkBits = 16;
constexpr int kTagShift = kPlaceBits + kChunkBits;
constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceBits) - 1;
constexpr std::uint64_t kChunkMask = (std::uint64_t{1} << kChunkBits) - 1;
constexpr std::size_t kSizeBytes = sizeof(std::uint32_t);

std::uint64_t tag_of(std::uint64_t hash) { return hash >> kTagShift << kTagShift; }

}  // namespace

TextSet::TextSet(std::uint64_t salt) : salt_(salt), keys_(1024, 0) {}

std::string_view TextSet::stored_text(std::uint64_t key) const {
  const char* const stored = chunks_[(key >> kPlaceBits) & kChunkMask].get() + (key & kPlaceMask) - 1;
  std::uint32_t size = 0;
  std::memcpy(&size, stored, kSizeBytes);
  return {stored + kSizeBytes, size};
}

bool TextSet::insert(std::string_view text) {
  const std::uint64_t hash = hash_text(text, salt_);
  const std::size_t mask = keys_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t key = keys_[i];
    if (key == 0) {
      keys_[i] = store(text, hash);
      if (++size_ * 4 > keys_.size() * 3) grow();
      return true;
    }
    if (tag_of(key) == tag_of(hash) && stored_text(key) == text) return false;
  }
}

std::uint64_t TextSet::store(std::string_view text, std::uint64_t hash) {
  const std::size_t needed = kSizeBytes + text.size();
  if (text.size() > UINT32_MAX || chunks_.size() > kChunkMask) {
    // The set holds a tree's place lines.
    throw FileLimitError(FileLimitError::File::genealogy, "har för många olika orter");
  }
  if (needed > chunk_left_) {
    // A long text has a chunk of its own; the rest of the last one is left.
    const std::size_t grown = chunks_.empty() ? kFirstChunk : std::min(kChunk, 2 * (chunk_used_ + chunk_left_));
    const std::size_t size = std::max(needed, grown);
    chunks_.emplace_back(new char[size]);
    chunk_left_ = size;
    chunk_used_ = 0;
  }
  char* const stored = chunks_.back().get() + chunk_used_;
  const auto size = static_cast<std::uint32_t>(text.size());
  std::memcpy(stored, &size, kSizeBytes);
  std::memcpy(stored + kSizeBytes, text.data(), text.size());
  // The place is counted from 1, so that no key is 0.
  const std::uint64_t key = tag_of(hash) | std::uint64_t{chunks_.size() - 1} << kPlaceBits | (chunk_used_ + 1);
  chunk_used_ += needed;
  chunk_left_ -= needed;
  return key;
}

void TextSet::grow() {
  std::vector<std::uint64_t> grown(2 * keys_.size(), 0);
  const std::size_t mask = grown.size() - 1;
  for (const std::uint64_t key : keys_) {
    if (key == 0) continue;
    std::size_t i = hash_text(stored_text(key), salt_) & mask;
    while (grown[i] != 0) i = (i + 1) & mask;
    grown[i] = key;
  }
  keys_ = std::move(grown);
}

}  // namespace platsmarkeraren
