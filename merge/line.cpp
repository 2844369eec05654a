#include "merge/line.hpp"

#include <cstring>

namespace platsmarkeraren {

const char* find_place_marker(const char* first, const char* last) {
  // Looking for the P lets memchr skip most of the text: digits and spaces
  // stand on every line of a genealogy file, a capital P on few.
  constexpr std::size_t kBeforeP = 2;
  constexpr std::size_t kFromP = kPlaceMarker.size() - kBeforeP;
  if (last - first < static_cast<std::ptrdiff_t>(kPlaceMarker.size())) return nullptr;
  const char* const end = last - kFromP + 1;
  for (const char* from = first + kBeforeP; from < end;) {
    const void* hit = std::memchr(from, 'P', static_cast<std::size_t>(end - from));
    if (hit == nullptr) return nullptr;
    const char* const p = static_cast<const char*>(hit);
    if (std::memcmp(p - kBeforeP, kPlaceMarker.data(), kPlaceMarker.size()) == 0) {
      return p - kBeforeP;
    }
    from = p + 1;
  }
  return nullptr;
}

const char* after_last_newline(const char* first, const char* last) {
  for (const char* p = last; p != first; --p) {
    if (p[-1] == '\n') return p;
  }
  return nullptr;
}

}  // namespace platsmarkeraren
