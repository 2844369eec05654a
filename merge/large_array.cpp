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
  // madvise wants whole pages: the part of the array that covers them.
  const std::size_t before_page = (kPage - reinterpret_cast<std::uintptr_t>(data) % kPage) % kPage;
  const std::size_t pages = (bytes - before_page) / kPage * kPage;
  madvise(static_cast<char*>(data) + before_page, pages, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace platsmarkeraren
