#include "merge/stream.hpp"

namespace platsmarkeraren {

std::string read_all(Source& source) {
  constexpr std::size_t kChunk = 1 << 20;
  std::string text;
  for (;;) {
    const std::size_t filled = text.size();
    text.resize(filled + kChunk);
    const std::size_t got = source.read(text.data() + filled, kChunk);
    text.resize(filled + got);
    if (got == 0) return text;
  }
}

}  // namespace platsmarkeraren
