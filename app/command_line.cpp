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

std::size_t files_wanted(const Command& command) {
  if (command.action == Action::draft) return 3;
  return command.action == Action::list || command.action == Action::check || command.redirect ? 2 : 3;
}

}  // namespace

Command parse_command_line(std::span<const char* const> args) {
  Command command;
  std::size_t next = 0;
  for (; next < args.size() && is_option_group(args[next]); ++next) {
    if (!apply_group(args[next], command)) return command;
  }
  command.files.assign(args.begin() + static_cast<std::ptrdiff_t>(next), args.end());
  if (command.files.size() != files_wanted(command)) command.action = Action::wrong_count;
  return command;
}

}  // namespace platsmarkeraren
