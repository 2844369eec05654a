#include "app/platform.hpp"

#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

// Asks the mingw-w64 start-up to expand wildcards in the arguments, as a
// Windows console leaves that to the program.
extern "C" {
int _dowildcard = -1;  // NOLINT(bugprone-reserved-identifier)
}
#endif

namespace platsmarkeraren {

namespace {

// File names travel through the program as UTF-8.
std::filesystem::path path_of(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

}  // namespace

#if defined(_WIN32)

namespace {

std::wstring widen(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string narrow(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

}  // namespace

std::vector<std::string> utf8_arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(narrow(argv[i]));
  return arguments;
}

void prepare_console() { SetConsoleOutputCP(CP_UTF8); }

std::FILE* open_file(const std::string& name, const char* mode) {
  return _wfopen(widen(name).c_str(), widen(mode).c_str());
}

std::FILE* binary_standard_output() {
  _setmode(_fileno(stdout), _O_BINARY);
  return stdout;
}

bool standard_output_is(const std::string&) { return false; }

#else

void prepare_console() {}

std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* binary_standard_output() { return stdout; }

bool standard_output_is(const std::string& name) {
  std::error_code error;
  return std::filesystem::equivalent("/dev/stdout", path_of(name), error);
}

#endif

std::size_t file_size(const std::string& name) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path_of(name), error);
  return error ? 0 : static_cast<std::size_t>(size);
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(path_of(a), path_of(b), error);
}

}  // namespace platsmarkeraren
