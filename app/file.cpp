#include "app/file.hpp"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "messages/messages.hpp"
#include "app/platform.hpp"

namespace platsmarkeraren {

namespace {

// Read by whichever thread reads; set to the input files' own descriptions,
// and taken back by a file that is destroyed.
std::atomic<const std::string*> read_last = nullptr;

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
  // A description that is gone must not be named as what was read last.
  const std::string* mine = &description_;
  read_last.compare_exchange_strong(mine, nullptr);
}

void File::close() {
  std::FILE* const stream = stream_;
  stream_ = nullptr;
  errno = 0;
  if (std::fclose(stream) != 0) fail("stänga");
}

void File::fail(std::string_view doing) const { fail_with(doing, description_); }

std::string reading_now() {
  const std::string* const description = read_last.load();
  return description != nullptr ? *description : std::string();
}

InputFile::InputFile(std::string_view argument, const std::string& name)
    : File(open_or_fail(argument, name, "rb"), describe(argument, name)),
      size_hint_(file_size(name)) {}

std::size_t InputFile::read(char* into, std::size_t size) {
  read_last = &description();
  errno = 0;
  const std::size_t got = std::fread(into, 1, size, stream_);
  if (got == 0 && std::ferror(stream_)) fail("läsa");
  if (!started_) {
    if (auto refusal = utf16_refusal({into, got}, description())) throw RunError(*refusal);
  }
  started_ = true;
  return got;
}

std::size_t InputFile::read_at(std::uint64_t offset, char* into, std::size_t size) {
  errno = 0;
  if (!seek_file(stream_, offset)) fail("läsa");
  started_ = true;  // the first bytes were read and looked at already
  return read(into, size);
}

OutputFile::Opened OutputFile::open_output(const std::string& name) {
  const std::string target = link_target(name);
  if (!replaceable(target)) return {open_or_fail("utfil", name, "wb"), {}, {}};
  Opened opened{nullptr, target, {}};
  errno = 0;
  opened.stream = create_beside(target, opened.replacement);
  if (opened.stream == nullptr) fail_with("skapa en ny fil bredvid", describe("utfil", name));
  remove_on_signal(opened.replacement);
  opened.stream = unbuffered(opened.stream);
  return opened;
}

OutputFile::OutputFile(const std::string& name) : OutputFile(open_output(name), name) {}

OutputFile::OutputFile(Opened opened, const std::string& name)
    : File(opened.stream, describe("utfil", name)),
      target_(std::move(opened.target)),
      replacement_(std::move(opened.replacement)) {}

namespace {

std::FILE* standard_output(bool open) {
  if (!open) throw RunError("kan inte skriva till stdout: den är stängd");
  return unbuffered(binary_standard_output());
}

}  // namespace

OutputFile::OutputFile(bool open) : File(standard_output(open), "stdout") {}

OutputFile::~OutputFile() {
  if (replacement_.empty()) return;
  // Windows removes no file that is open.
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  remove_file(replacement_);
  forget_on_signal();
}

void OutputFile::write(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) fail("skriva");
}

void OutputFile::close() {
  File::close();
  if (replacement_.empty()) return;
  errno = 0;
  if (!replace_file(replacement_, target_)) fail("ersätta");
  replacement_.clear();
  forget_on_signal();
}

}  // namespace platsmarkeraren
