// The coordinate file, read once and held whole, with every line that could
// be a twin indexed by its text, so that a place line costs one lookup
// instead of a reread of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "merge/line.hpp"

namespace platsmarkeraren {

class OutputBuffer;

// The up to five lines that follow a twin in the coordinate file, whatever
// record they belong to.
struct CoordinateBlock {
  std::string_view lines;  // as they stand in the file
  // The line end all of them have, so they can go out as one piece to a place
  // line with the same end; empty when they differ or the last one lacks one.
  std::string_view common_end;

  // Writes the block line by line, each with `end`: the output keeps the line
  // ends of the genealogy file, and a block line that lacks a line end (the
  // last of the file) is never glued to the next genealogy line.
  void write(std::string_view end, OutputBuffer& out) const;
};

class CoordinateIndex {
 public:
  explicit CoordinateIndex(std::string coordinate_file);

  // The block after the first line of the file that is the same as `place`,
  // or nullptr when no line is.
  const CoordinateBlock* find(Line place) const;

  // A line whose text is longer than this has no twin. Only lines holding
  // the place marker are counted, since only such lines are looked up.
  std::size_t longest_twin() const { return longest_twin_; }

 private:
  struct Twin {
    Line line;
    CoordinateBlock block;
  };
  // Open addressing: a slot holds the high half of the hash, to skip most
  // mismatches without touching the twin, and the twin's number plus one.
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t twin = 0;
  };

  // The slot that holds `line`, or the empty slot where it would go.
  std::size_t probe(std::uint64_t hash, Line line) const;

  std::string file_;
  std::vector<Twin> twins_;
  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t longest_twin_ = 0;
};

}  // namespace platsmarkeraren
