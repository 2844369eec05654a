#include "core/side_by_side.hpp"

#include <system_error>
#include <thread>
#include <vector>

namespace platsmarkeraren {

void run_side_by_side(unsigned threads, const std::function<void()>& work) {
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < threads; ++i) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace platsmarkeraren
