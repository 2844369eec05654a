// A hint to the processor to start loading memory that is needed soon, so
// that the lookups of many place lines wait for memory at the same time
// instead of one after another. Compilers without the builtin get no hint.
#pragma once

namespace platsmarkeraren {

inline void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace platsmarkeraren
