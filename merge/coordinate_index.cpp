#include "merge/coordinate_index.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "merge/hash.hpp"
#include "merge/block_output.hpp"
#include "merge/prefetch.hpp"

namespace platsmarkeraren {

namespace {

constexpr int kBlockLines = 5;
constexpr int kOffsetBits = 40;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
constexpr int kEndBits = 2;

// The up to five lines from `first` on.
std::string_view block_from(const char* first, const char* last) {
  const char* next = first;
  for (int i = 0; i < kBlockLines && next < last; ++i) take_line(next, last);
  return bytes_between(first, next);
}

// The size of the line end that every line of `block` has: 1 for LF, 2 for
// CR LF, 0 when they differ or the last one lacks one.
std::uint32_t common_end_size(std::string_view block) {
  const char* const last = block.data() + block.size();
  std::size_t common = 0;
  for (const char* next = block.data(); next < last;) {
    const std::size_t end = Line::split(take_line(next, last)).end.size();
    if (end == 0 || (common != 0 && end != common)) return 0;
    common = end;
  }
  return static_cast<std::uint32_t>(common);
}

std::uint32_t fitted(std::size_t size, int spare_bits) {
  if (size > (std::numeric_limits<std::uint32_t>::max() >> spare_bits)) {
    throw std::length_error("koordinatfilen har för långa rader");
  }
  return static_cast<std::uint32_t>(size);
}

}  // namespace

CoordinateIndex::CoordinateIndex(Source& coordinate_file) {
  read(coordinate_file);
  if (file_size_ >= kOffsetMask) throw std::length_error("koordinatfilen är för stor");
  const char* const last = file_.data() + file_size_;
  std::vector<std::string_view> twins;
  for (const char* next = file_.data(); next < last;) {
    const std::string_view twin = take_place_line(next, last);
    if (!twin.empty()) twins.push_back(twin);
  }
  slots_ = LargeArray<Slot>(std::bit_ceil(std::max<std::size_t>(16, 2 * twins.size())));
  std::fill_n(slots_.data(), slots_.size(), Slot{});
  mask_ = slots_.size() - 1;
  for (const std::string_view twin : twins) add(twin);
}

void CoordinateIndex::read(Source& coordinate_file) {
  // One byte more than the expected size lets the end show without a grow.
  file_ = LargeArray<char>(std::max<std::size_t>(coordinate_file.size_hint() + 1, 1 << 12));
  for (;;) {
    if (file_size_ == file_.size()) file_.grow(2 * file_.size(), file_size_);
    const std::size_t got = coordinate_file.read(file_.data() + file_size_, file_.size() - file_size_);
    if (got == 0) return;
    file_size_ += got;
  }
}

std::uint64_t CoordinateIndex::hash(Line line) {
  // Only the last line of a file lacks a line end, so the flag rarely
  // separates two texts; it only has to keep the two kinds apart.
  return hash_text(line.text) ^ (line.terminated() ? 0 : 0x5bd1e995U);
}

void CoordinateIndex::add(std::string_view twin) {
  const Line line = Line::split(twin);
  const std::uint64_t line_hash = hash(line);
  Slot& slot = slots_[probe(line_hash, line)];
  if (slot.key != 0) return;  // the first line of the file wins
  const std::string_view block = block_from(twin.data() + twin.size(), file_.data() + file_size_);
  const auto offset = static_cast<std::uint64_t>(twin.data() - file_.data());
  slot.key = (line_hash & ~kOffsetMask) | (offset + 1);
  slot.text_size = fitted(line.text.size(), 0);
  slot.block = fitted(block.size(), kEndBits) << kEndBits | common_end_size(block);
  longest_twin_ = std::max(longest_twin_, line.text.size());
}

const char* CoordinateIndex::text_of(const Slot& slot) const {
  return file_.data() + (slot.key & kOffsetMask) - 1;
}

std::size_t CoordinateIndex::probe(std::uint64_t hash, Line line) const {
  for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.key == 0) return i;
    if ((slot.key ^ hash) > kOffsetMask || slot.text_size != line.text.size()) continue;
    const char* const text = text_of(slot);
    // Text is followed by its line end, unless it is the last of the file.
    const bool terminated = text + slot.text_size != file_.data() + file_size_;
    if (terminated == line.terminated() && std::memcmp(text, line.text.data(), slot.text_size) == 0) {
      return i;
    }
  }
}

void CoordinateIndex::prefetch_slot(std::uint64_t hash) const { prefetch(&slots_[hash & mask_]); }

void CoordinateIndex::prefetch_twin(std::uint64_t hash) const {
  const Slot& slot = slots_[hash & mask_];
  if (slot.key != 0) prefetch(text_of(slot));
}

const CoordinateIndex::Slot* CoordinateIndex::find(Line place, std::uint64_t hash) const {
  if (place.text.size() > longest_twin_) return nullptr;
  const Slot& slot = slots_[probe(hash, place)];
  return slot.key == 0 ? nullptr : &slot;
}

void CoordinateIndex::write_block(Line place, std::uint64_t hash, BlockOutput& out) const {
  const Slot* const slot = find(place, hash);
  if (slot == nullptr) return;
  // The twin has a line end when `place` has one: CR LF when a CR follows.
  const char* const text_end = text_of(*slot) + slot->text_size;
  const char* const first = text_end + (place.end.empty() ? 0 : *text_end == '\r' ? 2 : 1);
  const std::string_view block(first, slot->block >> kEndBits);
  // Most often the two files share their line ends: the block goes out whole.
  if ((slot->block & ((1U << kEndBits) - 1)) == place.end.size()) {
    out.write(block);
    return;
  }
  const char* const last = block.data() + block.size();
  for (const char* next = block.data(); next < last;) {
    out.write(Line::split(take_line(next, last)).text);
    out.write(place.end);
  }
}

}  // namespace platsmarkeraren
