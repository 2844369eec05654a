#include "app/file.hpp"

#include <cerrno>
#include <cstring>

#include "app/platform.hpp"

namespace platsmarkeraren {

std::string describe(std::string_view argument, const std::string& name) {
  return std::string(argument) + " \"" + name + '"';
}

namespace {

[[noreturn]] void fail_with(std::string_view doing, std::string_view description) {
  const int error = errno;
  std::string message = "kan inte ";
  message.append(doing).append(" ").append(description);
  if (error != 0) message.append(": ").append(std::strerror(error));
  throw RunError(message);
}

// The merge reads and writes in large blocks of its own; a second buffer in
// the stream would only copy every byte once more.
std::FILE* unbuffered(std::FILE* stream) {
  if (stream != nullptr) std::setvbuf(stream, nullptr, _IONBF, 0);
  return stream;
}

std::FILE* open_or_fail(std::string_view argument, const std::string& name,
                        const char* mode) {
  errno = 0;
  std::FILE* stream = open_file(name, mode);
  if (stream == nullptr) fail_with("öppna", describe(argument, name));
  return unbuffered(stream);
}

}  // namespace

File::File(std::FILE* stream, std::string description)
    : stream_(stream), description_(std::move(description)) {}

File::~File() {
  if (stream_ != nullptr) std::fclose(stream_);  // a failure is being reported already
}

void File::close() {
  std::FILE* const stream = stream_;
  stream_ = nullptr;
  errno = 0;
  if (std::fclose(stream) != 0) fail("stänga");
}

void File::fail(std::string_view doing) const { fail_with(doing, description_); }

InputFile::InputFile(std::string_view argument, const std::string& name)
    : File(open_or_fail(argument, name, "rb"), describe(argument, name)),
      size_hint_(file_size(name)) {}

std::size_t InputFile::read(char* into, std::size_t size) {
  errno = 0;
  const std::size_t got = std::fread(into, 1, size, stream_);
  if (got == 0 && std::ferror(stream_)) fail("läsa");
  return got;
}

OutputFile::OutputFile(const std::string& name)
    : File(open_or_fail("utfil", name, "wb"), describe("utfil", name)) {}

OutputFile::OutputFile() : File(unbuffered(binary_standard_output()), "stdout") {}

void OutputFile::write(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) fail("skriva");
}

}  // namespace platsmarkeraren
