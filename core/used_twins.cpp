#include "core/used_twins.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "core/padding.hpp"

namespace platsmarkeraren {

namespace {

// The twins of a smaller file stay in the cache with the rest of the
// merge's data: gathering them would only cost memory. So would gathering
// more than this, as no more would stay in the cache.
constexpr std::size_t kGatherSize = 4 << 20;
// Enough for 96 thousand twins in use, more than a family tree names,
// shared among the workers.
constexpr std::size_t kMostEntries = std::size_t{1} << 17;

std::size_t entries_for(const CoordinateIndex& index, unsigned workers) {
  return std::min(std::bit_ceil(4 * index.twin_count() / 3 + 2), std::bit_floor(kMostEntries / workers));
}

std::size_t room_for(const CoordinateIndex& index, unsigned workers) {
  return index.file().size() < kGatherSize ? 0 : kGatherSize / workers;
}

}  // namespace

UsedTwins::Tables::Tables(const CoordinateIndex& index, unsigned workers)
    : index_(index),
      workers_(std::max(workers, 1U)),
      each_(entries_for(index, workers_)),
      entries_(each_ * workers_) {
  std::fill_n(entries_.data(), entries_.size(), Entry{});
}

UsedTwins::UsedTwins(Tables& tables)
    : index_(tables.index_), mask_(tables.each_ - 1), room_size_(room_for(tables.index_, tables.workers_)) {
  const std::lock_guard<std::mutex> lock(tables.taking_);
  if (tables.taken_ == tables.workers_) throw std::logic_error("fler arbetare än tabeller");
  entries_ = tables.entries_.data() + tables.each_ * tables.taken_++;
}

TwinBlock UsedTwins::first_use(const Line& place, std::uint64_t hash, std::size_t free) {
  const std::optional<Twin> twin = index_.twin_of(place, hash);
  if (!twin) return {};
  const Entry* const added = add(*twin, hash, free);
  return added != nullptr ? block_of(*added) : twin->block;
}

const UsedTwins::Entry* UsedTwins::add(const Twin& twin, std::uint64_t hash, std::size_t free) {
  if (4 * (used_ + 1) > 3 * (mask_ + 1)) return nullptr;
  entries_[free] = {hash, gather(twin), {PackedTwin::text_of(twin.line), twin.block.packed()}};
  ++used_;
  return &entries_[free];
}

const char* UsedTwins::gather(const Twin& twin) {
  const std::string_view bytes = twin.block.bytes();
  const std::string_view record = bytes_between(twin.line.text.data(), bytes.data() + bytes.size());
  if (record.size() > room_size_ - room_used_) return twin.line.text.data();
  if (room_.size() == 0) room_ = PaddedMemory(room_size_);
  char* const copy = room_.data() + room_used_;
  std::memcpy(copy, record.data(), record.size());
  room_used_ += record.size();
  return copy;
}

}  // namespace platsmarkeraren
