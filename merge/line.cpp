#include "merge/line.hpp"

#include <bit>
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

// The first place marker in [first, last), or nullptr.
const char* find_place_marker(const char* first, const char* last) {
  if (last - first < static_cast<std::ptrdiff_t>(kMarkerSize)) return nullptr;
  const char* const end = last - kMarkerSize + 1;  // past the last place a marker can start
#if defined(__SSE2__)
  // Sixteen places at a time, looking for the P and L together: the pair
  // stands in few lines besides place lines, so most steps find nothing.
  constexpr std::size_t kPair = 2;
  const __m128i p = _mm_set1_epi8(kPlaceMarker[kPair]);
  const __m128i l = _mm_set1_epi8(kPlaceMarker[kPair + 1]);
  for (; end - first >= 16; first += 16) {
    const __m128i at_p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + kPair));
    const __m128i at_l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + kPair + 1));
    auto found = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(at_p, p), _mm_cmpeq_epi8(at_l, l))));
    for (; found != 0; found &= found - 1) {
      const char* const start = first + std::countr_zero(found);
      if (std::memcmp(start, kPlaceMarker.data(), kMarkerSize) == 0) return start;
    }
  }
#endif
  return find_marker_by_memchr(first, end);
}

}  // namespace

std::string_view take_place_line(const char*& next, const char* last) {
  const char* const marker = find_place_marker(next, last);
  if (marker == nullptr) {
    next = last;
    return {};
  }
  const char* const start = after_last_newline(next, marker);
  const char* const first = start != nullptr ? start : next;
  next = marker;
  take_line(next, last);
  return bytes_between(first, next);
}

const char* after_last_newline(const char* first, const char* last) {
  for (const char* p = last; p != first; --p) {
    if (p[-1] == '\n') return p;
  }
  return nullptr;
}

}  // namespace platsmarkeraren
