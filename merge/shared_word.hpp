// Atomic loads and stores of plain words that several threads share. The
// standard's std::atomic_ref says the same, but the older C++ library of the
// browser build lacks it; the compilers' own builtins, which it is made of,
// serve every build.
#pragma once

namespace platsmarkeraren {

template <typename Word>
Word load_acquire(const Word& word) {
  return __atomic_load_n(&word, __ATOMIC_ACQUIRE);
}

template <typename Word>
Word load_relaxed(const Word& word) {
  return __atomic_load_n(&word, __ATOMIC_RELAXED);
}

template <typename Word>
void store_release(Word& word, Word value) {
  __atomic_store_n(&word, value, __ATOMIC_RELEASE);
}

template <typename Word>
void store_relaxed(Word& word, Word value) {
  __atomic_store_n(&word, value, __ATOMIC_RELAXED);
}

}  // namespace platsmarkeraren
