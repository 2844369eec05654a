// The merge reads and writes through these two small interfaces, so that it
// works the same on files, standard output and in-memory text, and so that the
// caller decides how a failure is reported (an implementation throws).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platsmarkeraren {

class Source {
 public:
  virtual ~Source() = default;
  // Reads up to `size` bytes into `into`; returns 0 only at the end.
  virtual std::size_t read(char* into, std::size_t size) = 0;
  // How many bytes are left to read, when that is known in advance; 0 when
  // it is not (a pipe). Reading does not rely on it.
  virtual std::size_t size_hint() const { return 0; }
};

class Sink {
 public:
  virtual ~Sink() = default;
  virtual void write(std::string_view bytes) = 0;
};

// For a pass over a tree that only looks, such as a check.
class NoOutput final : public Sink {
 public:
  void write(std::string_view) override {}
};

// One of the two files is more than the program can hold ("är för stor"):
// the message is about that file, whatever was being read when it was
// found.
class FileLimitError : public std::length_error {
 public:
  enum class File { genealogy, coordinates };
  FileLimitError(File file, const std::string& what) : std::length_error(what), file_(file) {}
  File file() const { return file_; }

 private:
  File file_;
};

}  // namespace platsmarkeraren
