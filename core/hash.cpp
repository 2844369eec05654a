#include "core/hash.hpp"

#include <atomic>
#include <chrono>
#include <exception>
#include <random>

namespace platsmarkeraren {

namespace {

std::uint64_t entropy() {
  try {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
  } catch (const std::exception&) {
    // No source of entropy: the clock still differs from run to run.
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
}

}  // namespace

std::uint64_t random_salt() {
  // The system's entropy once per run, and from it a new salt for every
  // table (splitmix64): asking the system each time costs more than a
  // small table's whole work.
  static const std::uint64_t base = entropy();
  static std::atomic<std::uint64_t> tables = 0;
  std::uint64_t z = base + (tables.fetch_add(1) + 1) * 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace platsmarkeraren
