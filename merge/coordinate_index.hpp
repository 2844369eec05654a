// The coordinate file, read once and indexed, so that a place line costs one
// lookup instead of a reread of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "merge/line.hpp"

namespace platsmarkeraren {

class OutputBuffer;

class CoordinateIndex {
 public:
  // Keeps what it needs; the file may go once this returns.
  explicit CoordinateIndex(std::string_view coordinate_file);

  bool has_twin(Line place) const { return find(place) != nullptr; }

  // Writes the up to five lines that follow the first line of the file that
  // is the same as `place`, whatever record they belong to, each with the
  // line end of `place`: the output keeps the line ends of the genealogy
  // file, and a last line that lacks a line end is never glued to the next
  // genealogy line. Writes nothing when no line is the same.
  void write_block(Line place, OutputBuffer& out) const;

  // A line whose text is longer than this has no twin. Only lines holding
  // the place marker are counted, since only such lines are looked up.
  std::size_t longest_twin() const { return longest_twin_; }

 private:
  struct Twin;

  const Twin* find(Line place) const;
  std::size_t probe(std::uint64_t hash, Line line) const;
  void add(Line line, std::string_view block);

  // Each twin, its text and its block lie together in one arena, so a lookup
  // touches one slot and then one run of memory, however large the file.
  std::vector<char> arena_;
  // Open addressing in one flat array: a slot is 0 when empty, or the top
  // bits of the line's hash (to skip most mismatches without touching the
  // arena) over the twin's place in the arena plus one.
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
  std::size_t longest_twin_ = 0;
};

}  // namespace platsmarkeraren
