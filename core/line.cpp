#include "core/line.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platsmarkeraren {

namespace {

constexpr std::size_t kMarkerSize = kPlaceMarker.size();

// The first place marker that starts in [first, end), with the text ending
// at or after end + kMarkerSize - 1; nullptr when there is none.
const char* find_marker_by_memchr(const char* first, const char* end) {
  // memchr skips most of the text looking for the L: digits and spaces
  // stand on every line of a genealogy file, a capital L on few others.
  constexpr std::size_t kBefore = 3;
  for (const char* from = first; from < end;) {
    const void* hit = std::memchr(from + kBefore, kPlaceMarker[kBefore], static_cast<std::size_t>(end - from));
    if (hit == nullptr) return nullptr;
    const char* const start = static_cast<const char*>(hit) - kBefore;
    if (std::memcmp(start, kPlaceMarker.data(), kMarkerSize) == 0) return start;
    from = start + 1;
  }
  return nullptr;
}

#if defined(__SSE2__)
// Where a marker may start among the 16 bytes from `first`: bit i is set
// when the marker's P and L stand at first + i + 2 and first + i + 3. Reads
// the 19 bytes from `first`.
unsigned possible_markers(const char* first) {
  constexpr std::size_t kPair = 2;
  const __m128i p = _mm_set1_epi8(kPlaceMarker[kPair]);
  const __m128i l = _mm_set1_epi8(kPlaceMarker[kPair + 1]);
  const __m128i at_p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + kPair));
  const __m128i at_l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + kPair + 1));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(at_p, p), _mm_cmpeq_epi8(at_l, l))));
}
#endif

// The first place marker in [first, last), or nullptr.
const char* find_place_marker(const char* first, const char* last) {
  if (last - first < static_cast<std::ptrdiff_t>(kMarkerSize)) return nullptr;
  const char* const end = last - kMarkerSize + 1;  // past the last place a marker can start
#if defined(__SSE2__)
  // Sixteen places at a time: the P and L together stand in few lines
  // besides place lines, so most steps find nothing.
  for (; end - first >= 16; first += 16) {
    for (unsigned found = possible_markers(first); found != 0; found &= found - 1) {
      const char* const start = first + std::countr_zero(found);
      if (std::memcmp(start, kPlaceMarker.data(), kMarkerSize) == 0) return start;
    }
  }
#endif
  return find_marker_by_memchr(first, end);
}

// The line that holds the marker at `marker`, line end included: it begins
// after the last line break in [from, marker), or at `from` when there is
// none. Moves `next` past it.
std::string_view place_line_at(const char* from, const char* marker, const char*& next, const char* last,
                               LineBreak line_break) {
  const char* const start = line_break.after_last(from, marker);
  next = marker;
  line_break.take_line(next, last);
  return bytes_between(start != nullptr ? start : from, next);
}

#if defined(__SSE2__)
constexpr std::size_t kChunk = 64;
constexpr std::size_t kWindow = 64 * kChunk;
constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

// Where a marker may start among the 64 bytes from `chunk`, a bit each.
// Reads the 67 bytes from `chunk`.
std::uint64_t possible_markers_in_chunk(const char* chunk) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < kChunk; i += 16) bits |= std::uint64_t{possible_markers(chunk + i)} << i;
  return bits;
}
#endif

}  // namespace

std::string_view take_place_line(const char*& next, const char* last, LineBreak line_break) {
  const char* const marker = find_place_marker(next, last);
  if (marker == nullptr) {
    next = last;
    return {};
  }
  return place_line_at(next, marker, next, last, line_break);
}

void find_place_lines(const char* first, const char* last, LineBreak line_break,
                      std::vector<std::string_view>& lines) {
  const char* next = first;
  const char* chunk = first;
#if defined(__SSE2__)
  // First every place in a window where a marker may start is noted, with
  // no branch per find; then they are checked in order. Searching for one
  // marker at a time ended each search with a branch that the processor
  // could not foresee, and those cost a third of the search.
  std::uint16_t starts[kWindow / 2 + 2];  // the P and L of two starts never overlap
  // Every marker that starts in a chunk ends before `last`.
  while (last - chunk >= static_cast<std::ptrdiff_t>(kChunk + kMarkerSize - 1)) {
    const std::size_t chunks =
        std::min(kWindow, static_cast<std::size_t>(last - chunk) - (kMarkerSize - 1)) / kChunk;
    std::size_t found = 0;
    for (std::size_t i = 0; i < chunks; ++i) {
      std::uint64_t bits = possible_markers_in_chunk(chunk + i * kChunk);
      const auto base = static_cast<std::uint16_t>(i * kChunk);
      // A chunk seldom holds more than two: those are noted unconditionally,
      // and counted only if they are there. The top bit keeps an empty
      // chunk's count of trailing zeros defined.
      for (int k = 0; k < 2; ++k) {
        starts[found] = static_cast<std::uint16_t>(base + std::countr_zero(bits | kTopBit));
        found += bits != 0 ? 1 : 0;
        bits &= bits - 1;
      }
      for (; bits != 0; bits &= bits - 1) starts[found++] = static_cast<std::uint16_t>(base + std::countr_zero(bits));
    }
    for (std::size_t i = 0; i < found; ++i) {
      const char* const marker = chunk + starts[i];
      if (marker >= next && std::memcmp(marker, kPlaceMarker.data(), kMarkerSize) == 0) {
        lines.push_back(place_line_at(next, marker, next, last, line_break));
      }
    }
    chunk += chunks * kChunk;
  }
#endif
  // The rest, too short for a chunk. A line found there may have begun
  // before it.
  for (const char* from = std::max(chunk, next);; from = next) {
    const char* const marker = find_place_marker(from, last);
    if (marker == nullptr) return;
    lines.push_back(place_line_at(next, marker, next, last, line_break));
  }
}

std::string without_place_marker(std::string text) {
  for (std::size_t at = text.find(kPlaceMarker); at != std::string::npos; at = text.find(kPlaceMarker, at)) {
    text[at + 1] = '_';
  }
  return text;
}

}  // namespace platsmarkeraren
