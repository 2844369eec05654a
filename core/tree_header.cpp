#include "core/tree_header.hpp"

#include <algorithm>
#include <cstring>

namespace platsmarkeraren {

namespace {

// Room for any header a genealogy program writes.
constexpr std::size_t kHeaderBytes = std::size_t{64} << 10;

}  // namespace

TreeHeader::TreeHeader(Source& tree) : tree_(tree), start_(kHeaderBytes, '\0') {
  std::size_t held = 0;
  while (held < start_.size()) {
    const std::size_t got = tree_.read(start_.data() + held, start_.size() - held);
    if (got == 0) break;
    held += got;
  }
  start_.resize(held);
}

std::size_t TreeHeader::read(char* into, std::size_t size) {
  if (handed_ == start_.size()) return tree_.read(into, size);
  const std::size_t given = std::min(size, start_.size() - handed_);
  std::memcpy(into, start_.data() + handed_, given);
  handed_ += given;
  return given;
}

}  // namespace platsmarkeraren
