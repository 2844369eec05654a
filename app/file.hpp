// The three files of a run as streams for the merge. Every failure (opening,
// reading, writing, closing) becomes a RunError whose message names the
// argument, the file and the system's reason, in one line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How messages name a file: the argument, then the name, e.g. infil "släkt.ged".
std::string describe(std::string_view argument, const std::string& name);

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

  std::FILE* stream_;

 private:
  std::string description_;  // e.g. infil "släkt.ged"
};

class InputFile final : public File, public Source {
 public:
  // `argument` is the name the usage text gives the file: infil, koordinatfil.
  InputFile(std::string_view argument, const std::string& name);
  std::size_t read(char* into, std::size_t size) override;
  std::size_t size_hint() const override { return size_hint_; }

 private:
  std::size_t size_hint_;  // the size of a regular file, 0 for a pipe
};

class OutputFile final : public File, public Sink {
 public:
  // Creates utfil, or empties it.
  explicit OutputFile(const std::string& name);
  // Standard output, switched to bytes as they are.
  OutputFile();
  void write(std::string_view bytes) override;
};

}  // namespace platsmarkeraren
