#include "app/command_line.hpp"

#include <cstddef>
#include <string_view>

namespace platsmarkeraren {

namespace {

bool is_option_group(std::string_view arg) { return arg.size() >= 2 && arg[0] == '-'; }

// Applies one option group; returns false when it ends the scan (h or v).
bool apply_group(std::string_view group, Command& command) {
  for (const char letter : group.substr(1)) {
    switch (letter) {
      case 'h':
      case 'H':
        command.action = Action::show_usage;
        return false;
      case 'v':
      case 'V':
        command.action = Action::show_version;
        return false;
      case 'r':
      case 'R':
        command.redirect = true;
        break;
      case 'l':
      case 'L':
        command.action = Action::list;
        break;
      case 'k':
      case 'K':
        command.action = Action::check;
        break;
      case 'g':
      case 'G':
        command.action = Action::draft;
        break;
      case 't':
      case 'T':
        command.action = Action::recover;
        break;
      case 'b':
      case 'B':
        command.keep_existing_maps = true;
        break;
      default:  // unknown letters, a second hyphen among them, are skipped
        break;
    }
  }
  return true;
}

// The check and the drafts take a gazetteer as a third name, or none.
bool count_fits(const Command& command, std::size_t files) {
  switch (command.action) {
    case Action::draft:
    case Action::check:
      return files == 2 || files == 3;
    case Action::list:
    case Action::recover:
      return files == 2;
    default:
      return files == (command.redirect ? 2U : 3U);
  }
}

}  // namespace

Command parse_command_line(std::span<const char* const> args) {
  Command command;
  std::size_t next = 0;
  for (; next < args.size() && is_option_group(args[next]); ++next) {
    if (!apply_group(args[next], command)) return command;
  }
  command.files.assign(args.begin() + static_cast<std::ptrdiff_t>(next), args.end());
  if (!count_fits(command, command.files.size())) command.action = Action::wrong_count;
  return command;
}

}  // namespace platsmarkeraren
