// Work that several threads do side by side, each taking its share from
// what they all read, as the merge's workers and the gazetteer's do. The
// first failure of any worker stops the others and is the one reported;
// each worker hands back what it found, so none fills what another reads.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace platsmarkeraren {

// Thrown by a worker that ends because another failed: that other failure
// is the one to report.
struct WorkStopped {};

// Runs `work(worker)` on this thread (worker 0) and on up to `threads - 1`
// more at once, and returns when every one has ended. Where the system has
// no more threads to give, fewer do the work, down to this one alone. The
// first failure of any calls `stop`, so that the others end soon, and is
// rethrown once all have ended.
void run_workers(unsigned threads, const std::function<void(unsigned worker)>& work,
                 const std::function<void()>& stop);

// The same for `work()` that returns what one worker found: what each
// worker that ran found, in the order of the workers.
template <typename Work, typename Stop>
auto run_side_by_side(unsigned threads, Work work, Stop stop) {
  using Result = std::invoke_result_t<Work&>;
  if constexpr (std::is_void_v<Result>) {
    run_workers(threads, [&](unsigned /*worker*/) { work(); }, stop);
  } else {
    std::vector<std::optional<Result>> found(threads);
    run_workers(threads, [&](unsigned worker) { found[worker].emplace(work()); }, stop);
    std::vector<Result> results;
    for (std::size_t worker = 0; worker < found.size(); ++worker) {
      if (found[worker]) results.push_back(std::move(*found[worker]));
    }
    return results;
  }
}

}  // namespace platsmarkeraren
