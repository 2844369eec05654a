#include "merge/used_twins.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <utility>
#include <string_view>

#include "merge/padding.hpp"

namespace platsmarkeraren {

namespace {

// The twins of a smaller file stay in the cache with the rest of the
// merge's data: gathering them would only cost memory. So would gathering
// more than this, as no more would stay in the cache.
constexpr std::size_t kGatherSize = 4 << 20;
// Enough for 64 thousand twins in use: more than a family tree names.
constexpr std::size_t kMostEntries = std::size_t{1} << 17;
constexpr std::size_t kFirstEntries = 1 << 10;

}  // namespace

UsedTwins::UsedTwins(const CoordinateIndex& index, unsigned workers)
    : index_(index),
      most_entries_(std::max(kFirstEntries, std::bit_floor(kMostEntries / std::max(workers, 1U)))),
      entries_(kFirstEntries),
      mask_(kFirstEntries - 1),
      room_size_(index.file().size() < kGatherSize ? 0 : kGatherSize / std::max(workers, 1U)) {
  std::fill_n(entries_.data(), entries_.size(), Entry{});
}

TwinBlock UsedTwins::first_use(const Line& place, std::uint64_t hash) {
  const std::optional<Twin> twin = index_.twin_of(place, hash);
  if (!twin) return {};
  const Entry* const added = add(*twin, hash);
  return added != nullptr ? block_of(*added) : twin->block;
}

const UsedTwins::Entry* UsedTwins::add(const Twin& twin, std::uint64_t hash) {
  if (2 * (used_ + 1) > entries_.size()) {
    if (entries_.size() == most_entries_) return nullptr;
    grow();
  }
  Entry& entry = entries_[free_entry(hash)];
  entry = {hash, gather(twin), CoordinateIndex::text_of(twin.line), twin.block.traits_};
  ++used_;
  return &entry;
}

std::size_t UsedTwins::free_entry(std::uint64_t hash) const {
  std::size_t i = home(hash);
  while (entries_[i].twin != nullptr) i = next(i);
  return i;
}

void UsedTwins::grow() {
  LargeArray<Entry> old(2 * entries_.size());
  std::fill_n(old.data(), old.size(), Entry{});
  std::swap(old, entries_);
  mask_ = entries_.size() - 1;
  for (std::size_t i = 0; i < old.size(); ++i) {
    if (old[i].twin != nullptr) entries_[free_entry(old[i].hash)] = old[i];
  }
}

const char* UsedTwins::gather(const Twin& twin) {
  const std::string_view bytes = twin.block.bytes();
  const std::string_view record = bytes_between(twin.line.text.data(), bytes.data() + bytes.size());
  if (record.size() > room_size_ - room_used_) return twin.line.text.data();
  if (room_.size() == 0) room_ = LargeArray<char>(room_size_ + kCopyStride);
  char* const copy = room_.data() + room_used_;
  std::memcpy(copy, record.data(), record.size());
  room_used_ += record.size();
  return copy;
}

}  // namespace platsmarkeraren
