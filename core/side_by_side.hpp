// Work that several threads do side by side, each taking its share from
// what they all read, as the merge's workers and the gazetteer's do.
#pragma once

#include <functional>

namespace platsmarkeraren {

// Runs `work` on this thread and on up to `threads - 1` more at once, and
// returns when every one has ended. Where the system has no more threads to
// give, fewer do the work, down to this one alone. `work` catches its own
// failures: one that escapes ends the program.
void run_side_by_side(unsigned threads, const std::function<void()>& work);

}  // namespace platsmarkeraren
