#include "merge/coordinate_index.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>
#include <thread>

#include "merge/block_output.hpp"

namespace platsmarkeraren {

namespace {

constexpr int kBlockLines = 5;
constexpr int kEndBits = 2;
// Below this, a second thread would cost more than it saves.
constexpr std::size_t kSplitSize = 1 << 20;
// A place line and five short coordinate lines: a guess at the number of
// twins, so that the list of them seldom grows.
constexpr std::size_t kShortestRecord = 64;

struct Block {
  std::size_t size;
  std::uint32_t common_end;  // the size of the line end all its lines share
};

// The up to five lines from `first` on: their size, and the size of the
// line end that every one of them has: 1 for LF, 2 for CR LF, 0 when they
// differ or the last one lacks one.
Block block_from(const char* first, const char* last) {
  const char* next = first;
  std::size_t common = 0;
  bool shared = true;
  for (int i = 0; i < kBlockLines && next < last; ++i) {
    const std::size_t end = Line::split(take_line(next, last)).end.size();
    shared = shared && end != 0 && (common == 0 || end == common);
    common = end;
  }
  return {static_cast<std::size_t>(next - first), shared ? static_cast<std::uint32_t>(common) : 0};
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
  // Finding the twins and their blocks is most of the work: in a large file
  // two threads share it, each taking the lines of one half.
  const char* const file = file_.data();
  const char* const middle = file_size_ < kSplitSize ? file + file_size_ : file + file_size_ / 2;
  const char* const newline = find_newline(middle, file + file_size_);
  const auto split = static_cast<std::size_t>(newline == file + file_size_ ? newline - file : newline - file + 1);
  Twins first_half;
  Twins second_half;
  std::exception_ptr failure;
  {
    std::jthread helper;
    if (split < file_size_) {
      helper = std::jthread([&] {
        try {
          second_half = find_twins(split, file_size_);
        } catch (...) {
          failure = std::current_exception();
        }
      });
    }
    first_half = find_twins(0, split);
  }
  if (failure) std::rethrow_exception(failure);
  const std::size_t twins = first_half.size + second_half.size;
  slots_ = LargeArray<Slot>(std::bit_ceil(std::max<std::size_t>(16, 2 * twins)));
  std::fill_n(slots_.data(), slots_.size(), Slot{});
  mask_ = slots_.size() - 1;
  // In the order of the file, since the first line of the file wins.
  add(first_half);
  add(second_half);
}

CoordinateIndex::Twins CoordinateIndex::find_twins(std::size_t first, std::size_t last) const {
  const char* const file_end = file_.data() + file_size_;
  Twins twins;
  twins.found = LargeArray<Twin>((last - first) / kShortestRecord + 1);
  for (const char* next = file_.data() + first; next < file_.data() + last;) {
    const std::string_view twin = take_place_line(next, file_.data() + last);
    if (twin.empty()) continue;
    const Line line = Line::split(twin);
    // A block may run on into the other half of the file.
    const Block block = block_from(twin.data() + twin.size(), file_end);
    const auto offset = static_cast<std::uint64_t>(twin.data() - file_.data());
    const std::uint64_t line_hash = hash(line);
    Slot slot;
    slot.key = (line_hash & ~kOffsetMask) | (offset + 1);
    slot.text_size = fitted(line.text.size(), 0);
    slot.block = fitted(block.size, kEndBits) << kEndBits | block.common_end;
    if (twins.size == twins.found.size()) twins.found.grow(2 * twins.size, twins.size);
    twins.found[twins.size++] = {line_hash, slot};
  }
  return twins;
}

void CoordinateIndex::read(Source& coordinate_file) {
  // One byte more than the expected size lets the end show without a grow.
  // Blocks are copied from the file in strides that may pass its end.
  file_ = LargeArray<char>(std::max<std::size_t>(coordinate_file.size_hint() + 1, 1 << 12) + kCopyStride);
  for (;;) {
    if (file_size_ + kCopyStride == file_.size()) file_.grow(2 * file_.size(), file_size_);
    const std::size_t got = coordinate_file.read(file_.data() + file_size_, file_.size() - kCopyStride - file_size_);
    if (got == 0) return;
    file_size_ += got;
  }
}

Line CoordinateIndex::line_of(const Slot& slot) const {
  const char* const text = text_of(slot);
  const char* const text_end = text + slot.text_size;
  // Text is followed by its line end, unless it is the last of the file;
  // a CR there is one, since a CR before the LF is not part of the text.
  std::size_t end = 0;
  if (has_line_end(slot)) end = *text_end == '\r' ? 2 : 1;
  return {{text, slot.text_size}, {text_end, end}};
}

void CoordinateIndex::add(const Twins& twins) {
  // Slots are loaded a few twins ahead, so the waits for memory overlap.
  constexpr std::size_t kAhead = 8;
  for (std::size_t i = 0; i < twins.size; ++i) {
    if (i + kAhead < twins.size) prefetch_slot(twins.found[i + kAhead].hash);
    const Twin& twin = twins.found[i];
    // Its text is not read unless a slot's tag matches: most twins are new.
    Slot& slot = slots_[probe(twin.hash, {text_of(twin.slot), twin.slot.text_size}, has_line_end(twin.slot))];
    if (slot.key != 0) continue;  // the first line of the file wins
    slot = twin.slot;
    longest_twin_ = std::max<std::size_t>(longest_twin_, twin.slot.text_size);
  }
}

std::size_t CoordinateIndex::probe(std::uint64_t hash, std::string_view text, bool terminated) const {
  for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.key == 0) return i;
    if ((slot.key ^ hash) > kOffsetMask || slot.text_size != text.size()) continue;
    if (has_line_end(slot) == terminated && std::memcmp(text_of(slot), text.data(), text.size()) == 0) return i;
  }
}

const CoordinateIndex::Slot* CoordinateIndex::find(const Line& place, std::uint64_t hash) const {
  if (place.text.size() > longest_twin_) return nullptr;
  const Slot& slot = slots_[probe(hash, place.text, place.terminated())];
  return slot.key == 0 ? nullptr : &slot;
}

void CoordinateIndex::write_block(std::string_view place_line, std::uint64_t hash, BlockOutput& out) const {
  const Line place = Line::split(place_line);
  const Slot* const slot = find(place, hash);
  if (slot == nullptr) return;
  // The block follows the twin's line end, which `place` has too.
  const std::string_view twin_end = line_of(*slot).end;
  const std::string_view block(twin_end.data() + twin_end.size(), slot->block >> kEndBits);
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
