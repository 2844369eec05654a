#include "merge/large_array.hpp"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platsmarkeraren {

void advise_huge_pages(void* data, std::size_t bytes) {
#if defined(__linux__)
  constexpr std::uintptr_t kPage = 4096;
  constexpr std::size_t kHugePage = 2 << 20;
  if (bytes < kHugePage) return;
  const auto address = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (address + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t last = (address + bytes) & ~(kPage - 1);
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace platsmarkeraren
