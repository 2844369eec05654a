// What the user typed, turned into one of the runs the program knows.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace platsmarkeraren {

enum class Action {
  show_usage,    // h or H reached in an option group
  show_version,  // v or V reached in an option group
  wrong_count,   // the number of file names does not fit the options
  merge,         // infil, koordinatfil and utfil, or infil and koordinatfil under -r
  list,          // l or L: infil and koordinatfil, the list to standard output
  check,         // k or K: infil, koordinatfil and perhaps ortregister, the findings to standard output
  draft,         // g or G: infil, koordinatfil and perhaps ortregister, the draft to standard output
  recover,       // t or T (from the tree): infil and koordinatfil, the recovered blocks to standard output
};

struct Command {
  Action action = Action::merge;
  bool redirect = false;           // r or R: the merge writes to standard output
  bool keep_existing_maps = false;  // b or B: places that have a MAP get no block
  std::vector<std::string> files;  // every argument after the options
};

// `args` are the arguments after the program name. Options are recognised
// only before the first file name; a lone "-" is a file name.
Command parse_command_line(std::span<const char* const> args);

}  // namespace platsmarkeraren
