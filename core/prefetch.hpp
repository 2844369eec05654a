// A hint to the processor to start loading memory that is needed soon, so
// that the lookups of many place lines wait for memory at the same time
// instead of one after another. Compilers without the builtin get no hint.
#pragma once

namespace platsmarkeraren {

inline void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#if defined(__x86_64__) || defined(__i386__)
  // GCC holds the hint to have no effect, so it finds a function that only
  // prefetches to be pure, and drops calls of it as it would any pure call
  // whose result goes unused. An empty volatile statement is an effect,
  // and costs nothing.
  __asm__ __volatile__("" : : "r"(address));
#endif
#else
  (void)address;
#endif
}

}  // namespace platsmarkeraren
