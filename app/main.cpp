#include <clocale>
#include <span>

#include "app/command_line.hpp"
#include "app/run.hpp"

int main(int argc, char** argv) {
  // The system's reasons in messages follow the user's language; nothing the
  // merge compares depends on the locale.
  std::setlocale(LC_ALL, "");
  const std::span<const char* const> args(argv + 1, argv + argc);
  return platsmarkeraren::run(platsmarkeraren::parse_command_line(args));
}
