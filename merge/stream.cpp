#include "merge/stream.hpp"

#include <algorithm>

namespace platsmarkeraren {

std::string read_all(Source& source) {
  constexpr std::size_t kFirstRead = 1 << 16;
  std::string text;
  std::size_t filled = 0;
  for (;;) {
    if (filled == text.size()) text.resize(std::max(kFirstRead, 2 * text.size()));
    const std::size_t got = source.read(text.data() + filled, text.size() - filled);
    if (got == 0) break;
    filled += got;
  }
  text.resize(filled);
  return text;
}

}  // namespace platsmarkeraren
