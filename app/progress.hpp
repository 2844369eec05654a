// Shows on standard error how far a long read has come, once it has taken
// more than a second: on a terminal as one line rewritten in place, and
// elsewhere (a log) as a line at each tenth of the way.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace platsmarkeraren {

class Progress {
 public:
  // `what` names what is read, e.g. ortregister "SE.txt"; `total` is its
  // size, 0 when unknown.
  Progress(std::string what, std::size_t total);
  // Ends the line shown, if any.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void operator()(std::size_t done);

 private:
  std::string what_;
  std::size_t total_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_at_{};
  bool terminal_;
  bool shown_ = false;
  std::size_t tenths_ = 0;  // shown so far, off a terminal
};

}  // namespace platsmarkeraren
