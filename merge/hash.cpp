#include "merge/hash.hpp"

#include <chrono>
#include <exception>
#include <random>

namespace platsmarkeraren {

std::uint64_t random_seed() {
  try {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
  } catch (const std::exception&) {
    // No source of entropy: the clock still differs from run to run.
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
           0x9e3779b97f4a7c15ULL;
  }
}

}  // namespace platsmarkeraren
