#include "merge/coordinate_index.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "merge/hash.hpp"
#include "merge/output_buffer.hpp"

namespace platsmarkeraren {

namespace {

constexpr int kBlockLines = 5;
constexpr int kPlaceBits = 40;
constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceBits) - 1;

std::uint64_t hash_line(Line line) {
  // Only the last line of a file lacks a line end, so the flag rarely
  // separates two texts; it only has to keep the two kinds apart.
  return hash_text(line.text) ^ (line.terminated() ? 0 : 0x5bd1e995U);
}

std::string_view view(const char* first, const char* last) {
  return {first, static_cast<std::size_t>(last - first)};
}

// The up to five lines from `first` on.
std::string_view block_from(const char* first, const char* last) {
  const char* next = first;
  for (int i = 0; i < kBlockLines && next < last; ++i) take_line(next, last);
  return view(first, next);
}

// The line end that every line of `block` has, or empty when they differ or
// the last one lacks one.
std::string_view common_end(std::string_view block) {
  const char* const last = block.data() + block.size();
  std::string_view common;
  for (const char* next = block.data(); next < last;) {
    const std::string_view end = Line::split(take_line(next, last)).end;
    if (end.empty() || (!common.empty() && end != common)) return {};
    common = end;
  }
  return common;
}

}  // namespace

// How a twin is laid out in the arena: this header, its text, its block.
struct CoordinateIndex::Twin {
  std::size_t text_size;
  std::size_t block_size;
  bool terminated;
  std::uint8_t common_end_size;  // 0 for none, else 1 for LF, 2 for CR LF

  const char* text() const { return reinterpret_cast<const char*>(this + 1); }
  std::string_view block() const { return {text() + text_size, block_size}; }
  bool same_as(Line line) const {
    return terminated == line.terminated() && text_size == line.text.size() &&
           std::memcmp(text(), line.text.data(), text_size) == 0;
  }
};

CoordinateIndex::CoordinateIndex(std::string_view coordinate_file) {
  const char* const first = coordinate_file.data();
  const char* const last = first + coordinate_file.size();
  std::vector<std::string_view> twins;
  std::size_t arena_size = 0;
  for (const char* next = first; const char* marker = find_place_marker(next, last);) {
    const char* const start = after_last_newline(next, marker);
    const char* const line_first = start != nullptr ? start : next;
    next = marker;
    take_line(next, last);
    twins.push_back(view(line_first, next));
    arena_size += sizeof(Twin) + alignof(Twin) + twins.back().size() + block_from(next, last).size();
  }
  if (arena_size >= kPlaceMask) throw std::length_error("koordinatfilen är för stor");

  arena_.reserve(arena_size);
  slots_.resize(std::bit_ceil(std::max<std::size_t>(16, 2 * twins.size())));
  mask_ = slots_.size() - 1;
  for (const std::string_view twin : twins) {
    add(Line::split(twin), block_from(twin.data() + twin.size(), last));
  }
}

void CoordinateIndex::add(Line line, std::string_view block) {
  const std::uint64_t hash = hash_line(line);
  std::uint64_t& slot = slots_[probe(hash, line)];
  if (slot != 0) return;  // the first line of the file wins
  const std::size_t place = (arena_.size() + alignof(Twin) - 1) / alignof(Twin) * alignof(Twin);
  const Twin twin{line.text.size(), block.size(), line.terminated(),
                  static_cast<std::uint8_t>(common_end(block).size())};
  arena_.resize(place);
  arena_.insert(arena_.end(), reinterpret_cast<const char*>(&twin),
                reinterpret_cast<const char*>(&twin + 1));
  arena_.insert(arena_.end(), line.text.begin(), line.text.end());
  arena_.insert(arena_.end(), block.begin(), block.end());
  slot = (hash & ~kPlaceMask) | (place + 1);
  longest_twin_ = std::max(longest_twin_, line.text.size());
}

std::size_t CoordinateIndex::probe(std::uint64_t hash, Line line) const {
  for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return i;
    if ((slot ^ hash) > kPlaceMask) continue;  // the hash's top bits differ
    const auto* twin = reinterpret_cast<const Twin*>(arena_.data() + (slot & kPlaceMask) - 1);
    if (twin->same_as(line)) return i;
  }
}

const CoordinateIndex::Twin* CoordinateIndex::find(Line place) const {
  if (place.text.size() > longest_twin_) return nullptr;
  const std::uint64_t slot = slots_[probe(hash_line(place), place)];
  if (slot == 0) return nullptr;
  return reinterpret_cast<const Twin*>(arena_.data() + (slot & kPlaceMask) - 1);
}

void CoordinateIndex::write_block(Line place, OutputBuffer& out) const {
  const Twin* const twin = find(place);
  if (twin == nullptr) return;
  const std::string_view block = twin->block();
  // Most often the two files share their line ends: the block goes out whole.
  if (twin->common_end_size == place.end.size()) {
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
