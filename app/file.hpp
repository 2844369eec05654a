// The three files of a run as streams for the merge. Every failure (opening,
// reading, writing, closing) becomes a RunError whose message names the
// argument, the file and the system's reason, in one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/stream.hpp"

namespace platsmarkeraren {

class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The input file read last, as messages name it; empty before any read.
// What was being read when memory ran out.
std::string reading_now();

class File {
 public:
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Closes the file; a failure here can mean that written bytes are lost.
  void close();

 protected:
  File(std::FILE* stream, std::string description);
  [[noreturn]] void fail(std::string_view doing) const;
  const std::string& description() const { return description_; }

  std::FILE* stream_;

 private:
  std::string description_;  // e.g. infil "släkt.ged"
};

class InputFile final : public File, public Source {
 public:
  // `argument` is the name the usage text gives the file: infil, koordinatfil.
  InputFile(std::string_view argument, const std::string& name);
  // Refuses a file saved as UTF-16, which would merge nothing.
  std::size_t read(char* into, std::size_t size) override;
  std::size_t size_hint() const override { return size_hint_; }

  // For a regular file: reads at `offset`, and leaves the file there for
  // the next read.
  std::size_t read_at(std::uint64_t offset, char* into, std::size_t size);

 private:
  std::size_t size_hint_;  // the size of a regular file, 0 for a pipe
  bool started_ = false;
};

class OutputFile final : public File, public Sink {
 public:
  // Opens utfil. A regular file, or a new one, is written under another
  // name beside it, and takes its place only when close() has written it
  // whole: until then, and after any failure or interruption, utfil stays as
  // it was. Anything else (a device, a pipe) is written directly.
  explicit OutputFile(const std::string& name);
  // Standard output, switched to bytes as they are; `open` is false when
  // the run was started with it closed.
  explicit OutputFile(bool open);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the new file when it did not take utfil's place.
  ~OutputFile();

  void write(std::string_view bytes) override;
  void close();

 private:
  struct Opened {
    std::FILE* stream;
    std::string target;       // the file to replace, or empty
    std::string replacement;  // the new file written in its stead
  };
  static Opened open_output(const std::string& name);
  OutputFile(Opened opened, const std::string& name);

  std::string target_;
  std::string replacement_;
};

}  // namespace platsmarkeraren
