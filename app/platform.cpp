#include "app/platform.hpp"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// Asks the mingw-w64 start-up to expand wildcards in the arguments, as a
// Windows console leaves that to the program.
extern "C" {
int _dowildcard = -1;  // NOLINT(bugprone-reserved-identifier)
}
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

// Set before the handlers are, and not changed while they are armed.
std::wstring removed_on_signal;
volatile std::sig_atomic_t removal_armed = 0;

extern "C" void remove_and_end(int signal) {
  if (removal_armed != 0) _wunlink(removed_on_signal.c_str());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

std::vector<std::string> utf8_arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(narrow(argv[i]));
  return arguments;
}

bool prepare_console() {
  SetConsoleOutputCP(CP_UTF8);
  return true;
}

std::FILE* open_file(const std::string& name, const char* mode) {
  return _wfopen(widen(name).c_str(), widen(mode).c_str());
}

bool standard_error_is_terminal() { return _isatty(2) != 0; }

std::FILE* binary_standard_output() {
  _setmode(_fileno(stdout), _O_BINARY);
  return stdout;
}

bool standard_output_is(const std::string&) { return false; }

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(path_of(a), path_of(b), error);
}

std::string link_target(const std::string& name) { return name; }

std::FILE* create_beside(const std::string& target, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    const int file = _wopen(widen(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (file != -1) return _fdopen(file, "wb");
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool replace_file(const std::string& from, const std::string& to) {
  const std::wstring source = widen(from);
  const std::wstring destination = widen(to);
  // ReplaceFileW keeps the old file's attributes, but needs one to replace.
  if (ReplaceFileW(destination.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
      MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

void remove_on_signal(const std::string& name) {
  removed_on_signal = widen(name);
  removal_armed = 1;
  for (const int signal : {SIGINT, SIGTERM}) std::signal(signal, remove_and_end);
}

#else

namespace {

std::string name_of(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  return {name.begin(), name.end()};
}

const std::string* removed_on_signal = nullptr;
volatile std::sig_atomic_t removal_armed = 0;

extern "C" void remove_and_end(int signal) {
  if (removal_armed != 0) ::unlink(removed_on_signal->c_str());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

struct Identity {
  dev_t device;
  ino_t inode;
  bool terminal_or_device;  // a character device: reading it gives no written bytes back
};

bool identify(const struct stat& status, Identity& identity) {
  identity = {status.st_dev, status.st_ino, S_ISCHR(status.st_mode)};
  return true;
}

bool identify(const std::string& name, Identity& identity) {
  struct stat status {};
  return ::stat(name.c_str(), &status) == 0 && identify(status, identity);
}

// One file that is read and written in the same run, unless it is a device
// such as /dev/null, whose reading never returns what was written.
bool clash(const Identity& a, const Identity& b) {
  return a.device == b.device && a.inode == b.inode && !a.terminal_or_device;
}

}  // namespace

bool prepare_console() {
  bool output_open = true;
  for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
    if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    output_open = output_open && stream != STDOUT_FILENO;
    // The lowest free number is this one.
    ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  }
  return output_open;
}

bool standard_error_is_terminal() { return isatty(2) != 0; }

std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* binary_standard_output() { return stdout; }

bool standard_output_is(const std::string& name) {
  struct stat status {};
  Identity output{};
  Identity file{};
  return ::fstat(STDOUT_FILENO, &status) == 0 && identify(status, output) && identify(name, file) &&
         clash(output, file);
}

bool same_file(const std::string& a, const std::string& b) {
  Identity first{};
  Identity second{};
  return identify(a, first) && identify(b, second) && clash(first, second);
}

std::string link_target(const std::string& name) {
  std::error_code error;
  std::filesystem::path path = path_of(name);
  // A bound, as the system has one, against links that lead round in a circle.
  for (int step = 0; step < 40 && std::filesystem::is_symlink(path, error); ++step) {
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return name_of(path);
}

std::FILE* create_beside(const std::string& target, std::string& name) {
  const std::filesystem::path path = path_of(target);
  const std::filesystem::path folder = path.parent_path();
  std::string pattern = (folder.empty() ? std::string() : name_of(folder) + "/") + "." + name_of(path.filename()) +
                        ".platsmarkeraren-XXXXXX";
  const int file = ::mkstemp(pattern.data());
  if (file == -1) return nullptr;
  name = pattern;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) {
    ::fchmod(file, old.st_mode & 07777);
    [[maybe_unused]] const int kept_owner = ::fchown(file, old.st_uid, old.st_gid);  // only root may give files away
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file, 0666 & ~mask);
  }
  std::FILE* const stream = ::fdopen(file, "wb");
  if (stream == nullptr) {
    ::close(file);
    ::unlink(name.c_str());
  }
  return stream;
}

bool replace_file(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

void remove_on_signal(const std::string& name) {
  static std::string removed;
  removed = name;
  removed_on_signal = &removed;
  removal_armed = 1;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored by whoever started the run (nohup) stays ignored.
    if (std::signal(signal, remove_and_end) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

#endif

void forget_on_signal() { removal_armed = 0; }

bool seek_file(std::FILE* stream, std::uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(stream, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::size_t file_size(const std::string& name) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path_of(name), error);
  return error ? 0 : static_cast<std::size_t>(size);
}

bool replaceable(const std::string& name) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path_of(name), error);
  return status.type() == std::filesystem::file_type::not_found || status.type() == std::filesystem::file_type::regular;
}

void remove_file(const std::string& name) {
  std::error_code error;
  std::filesystem::remove(path_of(name), error);
}

}  // namespace platsmarkeraren
