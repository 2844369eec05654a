// What the check found, as compilers report it, so that an editor can jump
// to each one: "koordinater.txt:12: fel: ..." or "... varning: ...". A
// block's faults are found a few lines out of order, so findings are held
// until no later one can come before them, and then written: memory holds
// one block's findings, not the file's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.hpp"

namespace platsmarkeraren {

class Findings {
 public:
  // `file` names the file the findings are in, as the user gave it; they
  // are written to `out`.
  Findings(std::string_view file, Sink& out) : file_(file), out_(out) {}

  // `line` counts from 1.
  void error(std::size_t line, std::string text) { add(line, true, std::move(text)); }
  void warning(std::size_t line, std::string text) { add(line, false, std::move(text)); }
  // A warning known before the file is gone through (the audit's), given
  // in the order of lines: it waits apart, so that settling costs no more
  // for each one waiting.
  void warning_ahead(std::size_t line, std::string text);

  // Writes, in the order of their lines, the findings held of lines before
  // `line`: the caller finds none before it from now on.
  void settle_before(std::size_t line);
  // Writes the findings still held.
  void settle() { settle_before(static_cast<std::size_t>(-1)); }

  std::size_t errors() const { return errors_; }
  std::size_t warnings() const { return warnings_; }

 private:
  struct Finding {
    std::size_t line;
    bool error;
    std::string text;
  };

  void add(std::size_t line, bool error, std::string text);

  std::string file_;
  Sink& out_;
  std::vector<Finding> held_;
  std::vector<Finding> ahead_;
  std::size_t ahead_taken_ = 0;  // of ahead_, those written
  std::size_t errors_ = 0;
  std::size_t warnings_ = 0;
};

}  // namespace platsmarkeraren
