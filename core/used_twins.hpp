// The twins that one worker has used, kept in front of the coordinate index.
// The index stays as it was built, shared by every worker; what a worker
// learns of a twin on its first use stays on the worker's side, so no
// lookup writes to shared memory and no worker waits for another:
// - the traits of the twin's block, found on first use, since most twins of
//   a large file are never used;
// - for a large file, a copy of the twin and its block. There the twins a
//   tree uses stand scattered among many it never names, and their lookups
//   would wait on memory; gathered, they share the processor's cache.
//
// Layout: open addressing in one flat array of entries, whose size is a
// power of two: at least four thirds of the index's twins, so that it is
// never more than three quarters full, unless that passes the worker's
// share. It is made whole at the start, with the other workers' (see
// Tables): grown step by step, its fresh pages cost more in faults than its
// lookups did. The copies fill a room from its bottom up, in padded
// memory as the file is (see padding.hpp). Each of a run's
// workers gets its share of the most that the entries and the room may
// take. A twin that finds the room full is served from where it stands in
// the file; one that finds the entries three quarters full is looked up in
// the index on every use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "core/coordinate_index.hpp"
#include "core/large_array.hpp"
#include "core/line.hpp"
#include "core/prefetch.hpp"

namespace platsmarkeraren {

class UsedTwins {
  struct Entry {
    std::uint64_t hash;
    const char* twin;   // its text, in the room or in the file, both padded; nullptr when the entry is empty
    PackedTwin packed;  // with its block measured
  };

 public:
  // The tables of all the workers of a run, made at once: fresh memory
  // costs a fault for each of its pages, and a fault costs a virtual machine
  // dearly, unless the memory is one array in huge pages.
  class Tables {
   public:
    // For `workers` workers that look up in `index` side by side.
    Tables(const CoordinateIndex& index, unsigned workers);

   private:
    friend class UsedTwins;

    const CoordinateIndex& index_;
    const unsigned workers_;
    const std::size_t each_;  // entries of each worker
    LargeArray<Entry> entries_;
    std::mutex taking_;
    unsigned taken_ = 0;
  };

  // For one of the workers that `tables` was made for.
  explicit UsedTwins(Tables& tables);
  UsedTwins(const UsedTwins&) = delete;
  UsedTwins& operator=(const UsedTwins&) = delete;

  // Starts loading what a lookup of the line with `hash` reads: first its
  // entry, and the index's slot in case the entry is empty; then, once they
  // are at hand, the twin the entry holds or else the one the slot points at.
  void prefetch_entry(std::uint64_t hash) const {
    prefetch(&entries_[home(hash)]);
    index_.prefetch_slot(hash);
  }
  void prefetch_twin(std::uint64_t hash) const {
    const Entry& entry = entries_[home(hash)];
    if (entry.twin != nullptr) {
      prefetch(entry.twin);
    } else {
      index_.prefetch_twin(hash);
    }
  }

  // The block of the twin of `place`, as the index has it; empty when the
  // place has no twin. `hash` is the index's hash of `place`.
  TwinBlock twin_block(const Line& place, std::uint64_t hash) {
    const std::size_t found = probe(place, PackedTwin::text_of(place), hash);
    if (entries_[found].twin == nullptr) return first_use(place, hash, found);
    return block_of(entries_[found]);
  }

 private:
  std::size_t home(std::uint64_t hash) const { return hash & mask_; }
  std::size_t next(std::size_t i) const { return (i + 1) & mask_; }
  // The entry of `place`, or the empty one where it would go.
  std::size_t probe(const Line& place, std::uint32_t text, std::uint64_t hash) const {
    std::size_t i = home(hash);
    for (; entries_[i].twin != nullptr; i = next(i)) {
      const Entry& entry = entries_[i];
      if (entry.hash != hash || entry.packed.text != text) continue;
      if (std::memcmp(entry.twin, place.text.data(), place.text.size()) == 0) break;
    }
    return i;
  }
  TwinBlock block_of(const Entry& entry) const {
    const Line twin = index_.twin_at(entry.twin, entry.packed);
    const char* const block = twin.end.data() + twin.end.size();
    const std::size_t size = entry.packed.block >> PackedTwin::kBlockFlagBits;
    return {PaddedBytes::kept({block, size}), entry.packed.block};
  }
  // Looks up in the index a twin this worker has not used before, or a place
  // without a twin; `free` is the empty entry that the probe for it ended at.
  TwinBlock first_use(const Line& place, std::uint64_t hash, std::size_t free);
  // Adds the twin first used with `hash` at the entry `free`; nullptr when
  // the entries are full.
  const Entry* add(const Twin& twin, std::uint64_t hash, std::size_t free);
  // Where the twin is served from: its copy, or where it stands in the file.
  const char* gather(const Twin& twin);

  const CoordinateIndex& index_;
  Entry* entries_ = nullptr;  // this worker's share of the tables
  std::size_t mask_;  // the entries' count less one
  std::size_t used_ = 0;
  const std::size_t room_size_;  // 0 when the file is too small to gather from
  PaddedMemory room_;            // made on the first copy
  std::size_t room_used_ = 0;
};

}  // namespace platsmarkeraren
