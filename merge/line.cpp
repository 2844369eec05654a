#include "merge/line.hpp"

#include <cstring>

namespace platsmarkeraren {

namespace {

// The first place marker in [first, last), or nullptr.
const char* find_place_marker(const char* first, const char* last) {
  // memchr skips most of the text looking for the L: digits and spaces
  // stand on every line of a genealogy file, a capital L on few others.
  constexpr std::size_t kBefore = 3;
  constexpr char kRare = kPlaceMarker[kBefore];
  constexpr std::size_t kAfter = kPlaceMarker.size() - kBefore;
  if (last - first < static_cast<std::ptrdiff_t>(kPlaceMarker.size())) return nullptr;
  const char* const end = last - kAfter + 1;
  for (const char* from = first + kBefore; from < end;) {
    const void* hit = std::memchr(from, kRare, static_cast<std::size_t>(end - from));
    if (hit == nullptr) return nullptr;
    const char* const rare = static_cast<const char*>(hit);
    if (std::memcmp(rare - kBefore, kPlaceMarker.data(), kPlaceMarker.size()) == 0) {
      return rare - kBefore;
    }
    from = rare + 1;
  }
  return nullptr;
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
