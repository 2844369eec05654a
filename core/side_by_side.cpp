#include "core/side_by_side.hpp"

#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace platsmarkeraren {

void run_workers(unsigned threads, const std::function<void(unsigned worker)>& work,
                 const std::function<void()>& stop) {
  std::mutex failing;
  std::exception_ptr failure;
  const auto guarded = [&](unsigned worker) {
    try {
      work(worker);
    } catch (const WorkStopped&) {
      // another worker failed, and reports it
    } catch (...) {
      stop();
      const std::lock_guard<std::mutex> lock(failing);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned worker = 1; worker < threads; ++worker) {
    try {
      helpers.emplace_back(guarded, worker);
    } catch (const std::system_error&) {
      break;
    }
  }
  guarded(0);
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace platsmarkeraren
