#include "core/coordinate_index.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>

#include "core/gedcom_line.hpp"
#include "core/padding.hpp"

namespace platsmarkeraren {

namespace {

// Below this, a second thread would cost more than it saves.
constexpr std::size_t kSplitSize = 1 << 20;

struct Block {
  std::size_t size;
  std::uint32_t traits;  // PackedTwin's flags and the size of the line end all its lines share
};

// The up to five lines from `first` on: their size, what they would do to a
// tree, and the size of the line end that every one of them has (1 for LF
// or CR, 2 for CR LF or LF CR, as `line_break` has it), 0 when they differ
// or the last one lacks one.
Block block_from(const char* first, const char* last, LineBreak line_break) {
  const char* next = first;
  std::size_t common = 0;
  bool shared = true;
  std::uint32_t flags = 0;
  int lines = 0;
  for (; lines < kBlockLines && next < last; ++lines) {
    const Line line = line_break.split(line_break.take_line(next, last));
    const std::size_t end = line.end.size();
    shared = shared && end != 0 && (common == 0 || end == common);
    common = end;
    if (breaks_record(line.text)) flags |= PackedTwin::kBreaksRecord;
    if (is_map_line(line.text)) flags |= (flags & PackedTwin::kHasMap) != 0 ? PackedTwin::kTwoMaps : PackedTwin::kHasMap;
  }
  // A twin on the last line inserts nothing, and harms nothing.
  if (lines > 0 && lines < kBlockLines) flags |= PackedTwin::kCutShort;
  return {static_cast<std::size_t>(next - first), flags | (shared ? static_cast<std::uint32_t>(common) : 0)};
}

// `size`, when no more than `longest`, the most that PackedTwin holds.
std::uint32_t fitted(std::size_t size, std::size_t longest) {
  if (size > longest) throw FileLimitError(FileLimitError::File::coordinates, "har för långa rader");
  return static_cast<std::uint32_t>(size);
}

}  // namespace

CoordinateIndex::CoordinateIndex(Source& coordinate_file, std::uint64_t salt) : salt_(salt) {
  read(coordinate_file);
  // Editors on Windows begin a UTF-8 file with one, which would otherwise
  // keep the first place line from ever matching.
  if (std::string_view(file_.data(), file_size_).starts_with(kByteOrderMark)) start_ = kByteOrderMark.size();
  line_break_ = LineBreak::of(file());
  const char* first_line = file().data();
  first_line_end_ = line_break_.split(line_break_.take_line(first_line, file_.data() + file_size_)).end;
  if (std::uint64_t{file_size_} >= kOffsetMask) throw FileLimitError(FileLimitError::File::coordinates, "är för stor");
  slots_ = LargeArray<Slot>(slots_for(count_place_lines(), file_size_));
  mask_ = std::has_single_bit(slots_.size()) ? slots_.size() - 1 : 0;
  std::fill_n(slots_.data(), slots_.size(), Slot{});
  add_place_lines();
}

// Linear probing stays short while half the slots or more are free. A file
// of many short place lines gets fewer free slots rather than a table of
// more than twice its size.
std::size_t CoordinateIndex::slots_for(std::size_t places, std::size_t file_size) {
  const std::size_t roomy = std::bit_ceil(2 * places + 16);
  const std::size_t within_memory = 2 * file_size / sizeof(Slot);
  const std::size_t tight = places + places / 16 + 16;
  return roomy <= within_memory ? roomy : std::max(tight, within_memory);
}

std::size_t CoordinateIndex::count_place_lines() const {
  const auto count = [this](std::size_t first, std::size_t last) {
    std::size_t places = 0;
    for (const char* next = file_.data() + first; next < file_.data() + last;) {
      places += take_place_line(next, file_.data() + last, line_break_).empty() ? 0 : 1;
    }
    return places;
  };
  // In a large file two threads share the search, each taking the lines of
  // one half.
  const char* const start = file_.data();
  const char* const middle = file_size_ < kSplitSize ? start + file_size_ : start + std::max(start_, file_size_ / 2);
  const char* const middle_break = line_break_.find(middle, start + file_size_);
  const auto split =
      static_cast<std::size_t>(middle_break - start) + (middle_break == start + file_size_ ? 0 : 1);
  std::size_t second_half = 0;
  std::thread helper;
  if (split < file_size_) {
    try {
      helper = std::thread([&] { second_half = count(split, file_size_); });
    } catch (const std::system_error&) {
      second_half = count(split, file_size_);  // no thread to be had: this one does both
    }
  }
  const std::size_t first_half = count(start_, split);
  if (helper.joinable()) helper.join();
  return first_half + second_half;
}

void CoordinateIndex::add_place_lines() {
  // A handful at a time, their slots loaded together, so that the waits for
  // memory overlap.
  constexpr std::size_t kBatch = 16;
  struct Place {
    std::uint64_t hash;
    Line line;
  };
  Place batch[kBatch];
  const char* const last = file_.data() + file_size_;
  for (const char* next = file_.data() + start_; next < last;) {
    std::size_t found = 0;
    while (found < kBatch && next < last) {
      const std::string_view place = take_place_line(next, last, line_break_);
      if (place.empty()) continue;
      batch[found].line = line_break_.split(place);
      batch[found].hash = hash(batch[found].line);
      prefetch_slot(batch[found++].hash);
    }
    for (std::size_t i = 0; i < found; ++i) add(batch[i].line, batch[i].hash);
  }
}

void CoordinateIndex::add(const Line& line, std::uint64_t line_hash) {
  Slot& slot = slots_[probe(line_hash, line)];
  if (slot.key != 0) return;  // the first line of the file wins
  const auto offset = static_cast<std::uint64_t>(line.text.data() - file_.data());
  slot.key = (line_hash & ~kOffsetMask) | (offset + 1);
  fitted(line.text.size(), PackedTwin::kLongestText);
  slot.text = PackedTwin::text_of(line);
  ++twin_count_;
  longest_place_line_ = std::max(longest_place_line_, line.text.size());
}

void CoordinateIndex::read(Source& coordinate_file) {
  // One byte more than the expected size lets the end show without a grow.
  // Blocks are copied in strides that may pass the end of the file.
  const std::size_t expected = std::max<std::size_t>(coordinate_file.size_hint() + 1, 1 << 12);
  file_ = PaddedMemory(expected);
  for (;;) {
    if (file_size_ == file_.size()) file_.grow(2 * file_.size(), file_size_);
    const std::size_t got = coordinate_file.read(file_.data() + file_size_, file_.size() - file_size_);
    if (got == 0) return;
    file_size_ += got;
  }
}

std::size_t CoordinateIndex::probe(std::uint64_t hash, const Line& line) const {
  const std::uint32_t text = PackedTwin::text_of(line);
  for (std::size_t i = slot_of(hash);; i = next_slot(i)) {
    const Slot& slot = slots_[i];
    if (slot.key == 0) return i;
    if ((slot.key ^ hash) > kOffsetMask || slot.text != text) continue;
    if (std::memcmp(text_at(slot.key), line.text.data(), line.text.size()) == 0) return i;
  }
}

std::size_t CoordinateIndex::longest_probe() const {
  std::size_t longest = 0;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].key == 0) continue;
    const Line twin = line_of(slots_[i]);
    const std::size_t home = slot_of(hash(twin));
    longest = std::max(longest, (i >= home ? i - home : i + slots_.size() - home) + 1);
  }
  return longest;
}

std::optional<std::size_t> CoordinateIndex::find(const Line& place, std::uint64_t hash) const {
  if (place.text.size() > longest_place_line_) return std::nullopt;
  const std::size_t found = probe(hash, place);
  if (slots_[found].key == 0) return std::nullopt;
  return found;
}

std::optional<Twin> CoordinateIndex::twin_of(const Line& place, std::uint64_t hash) const {
  const std::optional<std::size_t> found = find(place, hash);
  if (!found) return std::nullopt;
  const Line twin = line_of(slots_[*found]);
  // The block follows the twin's line end, which `place` has too.
  const char* const block = twin.end.data() + twin.end.size();
  const Block measured = block_from(block, file_.data() + file_size_, line_break_);
  const std::uint32_t size = fitted(measured.size, PackedTwin::kLongestBlock);
  return Twin{twin, {file_.bytes(block, size), size << PackedTwin::kBlockFlagBits | measured.traits}};
}

}  // namespace platsmarkeraren
