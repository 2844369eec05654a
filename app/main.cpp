#include <clocale>
#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "app/platform.hpp"
#include "app/run.hpp"

namespace {

int start(const std::vector<const char*>& args) {
  // The system's reasons in messages follow the user's language; nothing the
  // merge compares depends on the locale.
  std::setlocale(LC_ALL, "");
  const bool standard_output_open = platsmarkeraren::prepare_console();
  return platsmarkeraren::run(platsmarkeraren::parse_command_line(args), standard_output_open);
}

}  // namespace

#if defined(_WIN32)
// Windows hands over the command line in UTF-16; the program works in UTF-8.
int wmain(int argc, wchar_t** argv) {
  const std::vector<std::string> arguments = platsmarkeraren::utf8_arguments(argc, argv);
  std::vector<const char*> args;
  for (std::size_t i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].c_str());
  return start(args);
}
#else
int main(int argc, char** argv) { return start(std::vector<const char*>(argv + 1, argv + argc)); }
#endif
