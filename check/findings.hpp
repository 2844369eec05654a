// What the check found, as compilers report it, so that an editor can jump
// to each one: "koordinater.txt:12: fel: ..." or "... varning: ...". Kept
// until the end, since a block's faults are found out of line order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class Findings {
 public:
  // `file` names the file the findings are in, as the user gave it.
  explicit Findings(std::string_view file) : file_(file) {}

  // `line` counts from 1.
  void error(std::size_t line, std::string text) { add(line, true, std::move(text)); }
  void warning(std::size_t line, std::string text) { add(line, false, std::move(text)); }

  std::size_t errors() const { return errors_; }
  std::size_t warnings() const { return findings_.size() - errors_; }

  // Writes them in the order of their lines, one line each.
  void write_to(Sink& out);

 private:
  struct Finding {
    std::size_t line;
    bool error;
    std::string text;
  };

  void add(std::size_t line, bool error, std::string text);

  std::string file_;
  std::vector<Finding> findings_;
  std::size_t errors_ = 0;
};

}  // namespace platsmarkeraren
