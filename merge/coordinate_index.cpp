#include "merge/coordinate_index.hpp"

#include <algorithm>
#include <bit>

#include "merge/hash.hpp"
#include "merge/output_buffer.hpp"

namespace platsmarkeraren {

namespace {

constexpr int kBlockLines = 5;

std::uint64_t hash_line(Line line) {
  // Only the last line of a file lacks a line end, so the flag rarely
  // separates two texts; it only has to keep the two kinds apart.
  return hash_text(line.text) ^ (line.terminated() ? 0 : 0x5bd1e995U);
}

CoordinateBlock block_from(const char* first, const char* last) {
  const char* next = first;
  std::string_view common_end;
  bool same_ends = true;
  for (int i = 0; i < kBlockLines && next < last; ++i) {
    const Line line = Line::split(take_line(next, last));
    if (i == 0) common_end = line.end;
    same_ends = same_ends && line.end == common_end;
  }
  const std::string_view lines(first, static_cast<std::size_t>(next - first));
  return {lines, same_ends ? common_end : std::string_view()};
}

}  // namespace

void CoordinateBlock::write(std::string_view end, OutputBuffer& out) const {
  if (!common_end.empty() && common_end == end) {
    out.write(lines);
    return;
  }
  const char* const last = lines.data() + lines.size();
  for (const char* next = lines.data(); next < last;) {
    out.write(Line::split(take_line(next, last)).text);
    out.write(end);
  }
}

CoordinateIndex::CoordinateIndex(std::string coordinate_file)
    : file_(std::move(coordinate_file)) {
  const char* const last = file_.data() + file_.size();
  for (const char* next = file_.data(); next < last;) {
    const Line line = Line::split(take_line(next, last));
    if (find_place_marker(line.text.data(), line.text.data() + line.text.size()) == nullptr) continue;
    twins_.push_back({line, block_from(next, last)});
    longest_twin_ = std::max(longest_twin_, line.text.size());
  }

  slots_.resize(std::bit_ceil(std::max<std::size_t>(16, 2 * twins_.size())));
  mask_ = slots_.size() - 1;
  for (std::size_t i = 0; i < twins_.size(); ++i) {
    const Line line = twins_[i].line;
    const std::uint64_t hash = hash_line(line);
    Slot& slot = slots_[probe(hash, line)];
    // The first line of the file wins; later copies are never reached.
    if (slot.twin != 0) continue;
    slot.tag = static_cast<std::uint32_t>(hash >> 32);
    slot.twin = static_cast<std::uint32_t>(i + 1);
  }
}

std::size_t CoordinateIndex::probe(std::uint64_t hash, Line line) const {
  const auto tag = static_cast<std::uint32_t>(hash >> 32);
  for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.twin == 0) return i;
    if (slot.tag != tag) continue;
    const Line& twin = twins_[slot.twin - 1].line;
    if (twin.text == line.text && twin.terminated() == line.terminated()) return i;
  }
}

const CoordinateBlock* CoordinateIndex::find(Line place) const {
  if (place.text.size() > longest_twin_) return nullptr;
  const Slot& slot = slots_[probe(hash_line(place), place)];
  return slot.twin == 0 ? nullptr : &twins_[slot.twin - 1].block;
}

}  // namespace platsmarkeraren
