// Streams the genealogy file through a bounded buffer and hands it on in
// order, a block of whole lines at a time, with the place lines among them
// found. Only a line that could still have a twin is held whole; a longer
// one is passed on in pieces as it streams, so neither a huge file nor a huge
// line needs memory in proportion.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class GenealogyVisitor {
 public:
  virtual ~GenealogyVisitor() = default;
  // The next bytes of the file, and the whole lines among them that hold the
  // place marker, line ends included, in order. Handing on many place lines
  // at once lets their lookups overlap.
  virtual void lines(std::string_view bytes, std::span<const std::string_view> place_lines) = 0;
};

class GenealogyScanner {
 public:
  // A line that grows past `hold_limit` bytes before its newline is passed
  // on in pieces and is never a place line.
  GenealogyScanner(Source& genealogy, std::size_t hold_limit);

  void scan(GenealogyVisitor& visitor);

 private:
  void make_room();
  void scan_lines(const char* first, const char* last, GenealogyVisitor& visitor);
  void keep_from(const char* first);
  void hold_or_pass(GenealogyVisitor& visitor);

  Source& genealogy_;
  std::size_t hold_limit_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t held_ = 0;  // the start of a line whose newline is not read yet
  bool passing_ = false;  // that line is too long to hold: its start went on
  std::vector<std::string_view> place_lines_;  // reused from block to block
};

}  // namespace platsmarkeraren
