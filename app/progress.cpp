#include "app/progress.hpp"

#include <cstdio>
#include <utility>

#include "app/platform.hpp"

namespace platsmarkeraren {

namespace {

using std::chrono::milliseconds;

constexpr auto kQuietFor = milliseconds(1000);
constexpr auto kEvery = milliseconds(200);

}  // namespace

Progress::Progress(std::string what, std::size_t total)
    : what_(std::move(what)), total_(total), terminal_(standard_error_is_terminal()) {}

Progress::~Progress() {
  if (shown_ && terminal_) std::fputc('\n', stderr);
}

void Progress::operator()(std::size_t done) {
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kQuietFor || now - shown_at_ < kEvery) return;
  const std::size_t percent = total_ == 0 ? 0 : done * 100 / total_;
  if (!terminal_) {
    if (total_ == 0 || percent / 10 <= tenths_) return;
    tenths_ = percent / 10;
  }
  shown_at_ = now;
  shown_ = true;
  std::string line = (terminal_ ? "\rPlatsmarkeraren: läser " : "Platsmarkeraren: läser ") + what_ + ": ";
  line += total_ == 0 ? std::to_string(done >> 20) + " MiB" : std::to_string(percent) + " %";
  line += terminal_ ? "   " : "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace platsmarkeraren
