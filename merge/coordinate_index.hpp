// The coordinate file, read once and indexed, so that a place line costs one
// lookup instead of a reread of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "merge/hash.hpp"
#include "merge/large_array.hpp"
#include "merge/line.hpp"
#include "merge/prefetch.hpp"
#include "merge/stream.hpp"

namespace platsmarkeraren {

class BlockOutput;

class CoordinateIndex {
 public:
  // Reads the coordinate file to its end.
  explicit CoordinateIndex(Source& coordinate_file);

  static std::uint64_t hash(Line line) {
    // Only the last line of a file lacks a line end, so the flag rarely
    // separates two texts; it only has to keep the two kinds apart.
    return hash_text(line.text) ^ (line.terminated() ? 0 : 0x5bd1e995U);
  }

  // Starts loading what a lookup of the line with `hash` reads: first its
  // slot, then, once the slot is at hand, the twin and its block.
  void prefetch_slot(std::uint64_t hash) const { prefetch(&slots_[hash & mask_]); }
  void prefetch_twin(std::uint64_t hash) const {
    const Slot& slot = slots_[hash & mask_];
    if (slot.key != 0) prefetch(text_of(slot));
  }

  bool has_twin(const Line& place) const { return find(place, hash(place)) != nullptr; }

  // Writes the up to five lines that follow the first line of the file that
  // is the same as `place_line`, whatever record they belong to, each with
  // the line end of `place_line`: the output keeps the line ends of the
  // genealogy file, and a last line that lacks a line end is never glued to
  // the next genealogy line. Writes nothing when no line is the same.
  // `hash` is that of the place line split into a Line.
  void write_block(std::string_view place_line, std::uint64_t hash, BlockOutput& out) const;

  // A line whose text is longer than this has no twin. Only lines holding
  // the place marker are counted, since only such lines are looked up.
  std::size_t longest_twin() const { return longest_twin_; }

 private:
  // Open addressing in one flat array. A slot tells where a twin's text
  // stands in the file, and how long it and its block are, so that a lookup
  // touches one slot and then one run of the file: the twin with its block.
  static constexpr int kOffsetBits = 40;
  static constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;

  struct Slot {
    std::uint64_t key;        // 0 when empty, else the hash's top bits over the offset plus one
    std::uint32_t text_size;
    std::uint32_t block;      // the block's size over the size of the line end all its lines share
  };

  // A twin found in the file, with what its slot will hold.
  struct Twin {
    std::uint64_t hash;
    Slot slot;
  };

  struct Twins {
    LargeArray<Twin> found;
    std::size_t size = 0;
  };

  void read(Source& coordinate_file);
  // The twins among the lines of [first, last), in order.
  Twins find_twins(std::size_t first, std::size_t last) const;
  void add(const Twins& twins);

  // Lines go by reference or in parts: a copy on the stack, written in
  // halves and read whole, stalled the processor at every call.
  const Slot* find(const Line& place, std::uint64_t hash) const;
  // The slot of the line with `text` and `hash`, or the empty one where it
  // would go. `terminated`: the line has a line end.
  std::size_t probe(std::uint64_t hash, std::string_view text, bool terminated) const;
  const char* text_of(const Slot& slot) const { return file_.data() + (slot.key & kOffsetMask) - 1; }
  // Only the last line of the file can lack a line end.
  bool has_line_end(const Slot& slot) const { return text_of(slot) + slot.text_size != file_.data() + file_size_; }
  // The twin a slot points to, as it stands in the file.
  Line line_of(const Slot& slot) const;

  LargeArray<char> file_;
  std::size_t file_size_ = 0;
  LargeArray<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t longest_twin_ = 0;
};

}  // namespace platsmarkeraren
