#include "core/large_array.hpp"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platsmarkeraren {

namespace {

void* checked(void* data) {
  if (data == nullptr) throw std::bad_alloc();
  return data;
}

}  // namespace

void* allocate_large(std::size_t bytes) {
#if defined(__linux__)
  // Only whole, aligned huge pages can be huge pages: an array of a few
  // megabytes that merely spans some would get none. Rounding up costs at
  // most one huge page of memory per array.
  constexpr std::size_t kHugePage = 2 << 20;
  if (bytes >= kHugePage / 2) {
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* const data = checked(std::aligned_alloc(kHugePage, rounded));
    madvise(data, rounded, MADV_HUGEPAGE);  // a hint only: without it, slower, never wrong
    return data;
  }
#endif
  return checked(std::malloc(std::max<std::size_t>(bytes, 1)));
}

void free_large(void* data) { std::free(data); }

}  // namespace platsmarkeraren
