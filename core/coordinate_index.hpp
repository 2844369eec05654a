// The coordinate file, read once and indexed, so that a place line costs one
// lookup instead of a reread of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/hash.hpp"
#include "core/large_array.hpp"
#include "core/padding.hpp"
#include "core/line.hpp"
#include "core/prefetch.hpp"
#include "core/stream.hpp"
#include "core/twin.hpp"

namespace platsmarkeraren {

// Built once, then only read: any number of threads may look up at the same
// time. What a worker learns of the twins it uses, it keeps on its own side
// (see UsedTwins).
class CoordinateIndex {
 public:
  // Reads the coordinate file to its end. A UTF-8 byte-order mark at its
  // start is no part of its first line. `salt` salts the hash.
  explicit CoordinateIndex(Source& coordinate_file, std::uint64_t salt = random_salt());

  std::uint64_t hash(Line line) const {
    // Only the last line of a file lacks a line end, so the flag rarely
    // separates two texts; it only has to keep the two kinds apart.
    return hash_text(line.text, salt_) ^ (line.terminated() ? 0 : 0x5bd1e995U);
  }

  // Starts loading what a lookup of the line with `hash` reads: first its
  // slot, then, once the slot is at hand, the twin it points at.
  void prefetch_slot(std::uint64_t hash) const { prefetch(&slots_[slot_of(hash)]); }
  void prefetch_twin(std::uint64_t hash) const {
    const std::uint64_t key = slots_[slot_of(hash)].key;
    if (key != 0) prefetch(text_at(key));
  }

  bool has_twin(const Line& place) const { return find(place, hash(place)).has_value(); }

  // Where the twin of `place` begins in file(); nothing when it has none.
  std::optional<std::size_t> twin_offset(const Line& place) const {
    const std::optional<std::size_t> found = find(place, hash(place));
    if (!found) return std::nullopt;
    return static_cast<std::size_t>(text_at(slots_[*found].key) - file().data());
  }

  // The most slots that a lookup of a twin passes: what a file of lines made
  // to collide would drive up.
  std::size_t longest_probe() const;

  // The first line of the file that is the same as `place`, and the up to
  // five lines that follow it, whatever record they belong to; nothing when
  // no line is the same. `hash` is hash(place). The block is measured anew
  // on every call.
  std::optional<Twin> twin_of(const Line& place, std::uint64_t hash) const;

  // The twin whose text, packed as PackedTwin packs it, begins at `text`:
  // in the file, or in a copy of the twin with its line end.
  Line twin_at(const char* text, PackedTwin packed) const { return packed.line_at(text, line_break_); }

  // How many place lines of the file differ from every one before them.
  std::size_t twin_count() const { return twin_count_; }

  // The size of the text of the file's longest place line: a line whose
  // text is longer has no twin. Only place lines are counted, since only
  // they are looked up.
  std::size_t longest_place_line() const { return longest_place_line_; }

  // The coordinate file's bytes, as read, after any byte-order mark.
  std::string_view file() const { return {file_.data() + start_, file_size_ - start_}; }

  // True when the file's last line lacks its line end.
  bool ends_mid_line() const { return file_size_ > start_ && file_.data()[file_size_ - 1] != line_break_.byte(); }

  // How the coordinate file ends its lines, and its first line end (empty
  // when it has none).
  LineBreak line_break() const { return line_break_; }
  std::string_view first_line_end() const { return first_line_end_; }

  // How lines put after the file's end (a list, a draft, blocks recovered)
  // end: as the file's own, else as the tree's line that goes first
  // (`tree_line_end`), else LF.
  std::string_view appended_line_end(std::string_view tree_line_end) const {
    if (!first_line_end_.empty()) return first_line_end_;
    return !tree_line_end.empty() ? tree_line_end : "\n";
  }

 private:
  // Open addressing in one flat array. A slot tells where a twin's text
  // stands in the file, and how long it and its block are, so that a lookup
  // touches one slot and then one run of the file: the twin with its block.
  static constexpr int kOffsetBits = 40;
  static constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;

  struct Slot {
    std::uint64_t key;  // 0 when empty, else the hash's top bits over the offset plus one
    std::uint32_t text;  // PackedTwin's text half
  };

  void read(Source& coordinate_file);
  // The place lines of the file, each a twin unless an earlier line is the
  // same: counted first, to size the table, and then added in the order of
  // the file, since the first line of the file wins. No list of them is
  // kept between the two, so a file of bare place lines needs no more
  // memory than its table.
  std::size_t count_place_lines() const;
  void add_place_lines();
  void add(const Line& line, std::uint64_t hash);
  static std::size_t slots_for(std::size_t places, std::size_t file_size);
  // The slot that a probe for `hash` starts at. A table has a size of a
  // power of two, whose low bits of the hash pick a slot in one step, unless
  // that would take more memory than the bound: then the low half of the
  // hash is scaled to its size, which costs lookups a little time.
  std::size_t slot_of(std::uint64_t hash) const {
    return mask_ != 0 ? hash & mask_ : ((hash & 0xffffffffU) * slots_.size()) >> 32;
  }
  std::size_t next_slot(std::size_t slot) const { return slot + 1 == slots_.size() ? 0 : slot + 1; }

  // Lines go by reference or in parts: a copy on the stack, written in
  // halves and read whole, stalled the processor at every call.
  std::optional<std::size_t> find(const Line& place, std::uint64_t hash) const;
  // The slot of `line`, whose hash is `hash`, or the empty one where it
  // would go.
  std::size_t probe(std::uint64_t hash, const Line& line) const;
  const char* text_at(std::uint64_t key) const { return file_.data() + (key & kOffsetMask) - 1; }
  Line line_of(const Slot& slot) const { return twin_at(text_at(slot.key), {slot.text, 0}); }

  // The file, then room to grow into.
  PaddedMemory file_;
  std::size_t file_size_ = 0;
  std::size_t start_ = 0;  // past a byte-order mark
  std::uint64_t salt_;
  LineBreak line_break_;
  std::string_view first_line_end_;
  LargeArray<Slot> slots_;
  std::size_t mask_ = 0;  // the table's size less one when that is a power of two, else 0
  std::size_t longest_place_line_ = 0;
  std::size_t twin_count_ = 0;
};

}  // namespace platsmarkeraren
