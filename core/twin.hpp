// A twin, the first place line of the coordinate file with a given text,
// and its coordinate block, as the index and each worker's table of the
// twins it used keep them: a pointer to the twin's text and one 64-bit
// PackedTwin. The text stands in the coordinate file, or in a worker's copy
// of it, followed at once by its line end and then its block, so nothing
// else need be kept.
//
//   text    32 bits  the size of the twin's text, with the top bit set
//                    when it lacks a line end (only a file's last line can);
//                    two lines can be the same place only when these match
//   block   32 bits  the block's size in its top 26 bits, then four flags
//                    (bit 5 a second MAP, 4 a MAP, 3 cut short, 2 breaks a
//                    record), then in bits 0-1 the size of the line end
//                    all its lines share (0 when they differ)
//
// The block's half is 0 until a block is measured: the index measures it
// anew when asked, a worker once, on its first use of the twin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/line.hpp"
#include "core/padding.hpp"

namespace platsmarkeraren {

struct PackedTwin {
  std::uint32_t text = 0;
  std::uint32_t block = 0;

  static constexpr std::uint32_t kNoLineEnd = std::uint32_t{1} << 31;
  static constexpr int kBlockFlagBits = 6;
  static constexpr std::uint32_t kBreaksRecord = 1U << 2;
  static constexpr std::uint32_t kCutShort = 1U << 3;
  static constexpr std::uint32_t kHasMap = 1U << 4;
  static constexpr std::uint32_t kTwoMaps = 1U << 5;
  // The longest text and block these bits hold.
  static constexpr std::size_t kLongestText = kNoLineEnd - 1;
  static constexpr std::size_t kLongestBlock = UINT32_MAX >> kBlockFlagBits;

  // The text half of `line`, which must be no longer than kLongestText.
  static std::uint32_t text_of(const Line& line) {
    return static_cast<std::uint32_t>(line.text.size()) | (line.terminated() ? 0 : kNoLineEnd);
  }

  std::size_t text_size() const { return text & ~kNoLineEnd; }

  // The twin whose text begins at `text_start`, in a file whose lines end
  // at `line_break`: its end is the line break alone, or the other byte of
  // the pair and then the break, since that byte is not part of the text.
  Line line_at(const char* text_start, LineBreak line_break) const {
    const char* const text_end = text_start + text_size();
    std::size_t end = 0;
    if ((text & kNoLineEnd) == 0) end = *text_end == line_break.byte() ? 1 : 2;
    return {{text_start, text_size()}, {text_end, end}};
  }
};

// The coordinate block of a twin: the up to five lines after it, as they
// stand in the coordinate file, and what they would do to a tree. Empty
// when a place line has no twin.
class TwinBlock {
 public:
  TwinBlock() = default;
  // The block of `bytes`, whose size and traits are the block half of a
  // PackedTwin. Kept as a pointer beside those, so that a block is passed
  // in two registers; made only from padded bytes, it stays padded.
  TwinBlock(PaddedBytes bytes, std::uint32_t packed) : data_(bytes.data()), packed_(packed) {}

  explicit operator bool() const { return data_ != nullptr; }
  // Where it stands, in the coordinate file or a worker's copy of it, the
  // bytes after it are readable: the output copies it a stride at a time.
  PaddedBytes bytes() const { return PaddedBytes::kept({data_, packed_ >> PackedTwin::kBlockFlagBits}); }
  // Holds a place line, a line of level 0 to 2 or a blank line.
  bool breaks_record() const { return (packed_ & PackedTwin::kBreaksRecord) != 0; }
  // Has one to four lines: the coordinate file ends sooner.
  bool cut_short() const { return (packed_ & PackedTwin::kCutShort) != 0; }
  bool has_map() const { return (packed_ & PackedTwin::kHasMap) != 0; }
  // Has a second MAP line: merged, it gives its place two maps.
  bool has_two_maps() const { return (packed_ & PackedTwin::kTwoMaps) != 0; }
  // The line end that all of the block's lines have, written as the
  // coordinate file's `line_break` writes it; empty when their ends differ.
  std::string_view shared_line_end(LineBreak line_break) const { return line_break.end(packed_ & 3U); }

  std::uint32_t packed() const { return packed_; }

 private:
  const char* data_ = nullptr;
  std::uint32_t packed_ = 0;
};

// A twin as it stands in the coordinate file, and its block.
struct Twin {
  Line line;
  TwinBlock block;
};

}  // namespace platsmarkeraren
