// Checks every block of the coordinate file, used by the tree or not: the
// five lines after each place line, which the merge inserts into a tree
// whatever they hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "check/findings.hpp"
#include "gazetteer/coordinate_audit.hpp"
#include "core/coordinate_index.hpp"
#include "core/hash.hpp"

namespace platsmarkeraren {

// The coordinate file's place lines by the hash of their near-twin keys.
class NearTwins {
 public:
  // The number of the first place line whose key is `key` (or hashes alike).
  std::optional<std::size_t> find(std::string_view key) const;

 private:
  friend NearTwins check_blocks(const CoordinateIndex& index, Findings& findings);

  std::uint64_t hash(std::string_view key) const { return hash_text(key, salt_); }

  std::uint64_t salt_ = random_salt();
  std::vector<std::pair<std::uint64_t, std::size_t>> lines_;  // by hash, then line
};

// Reports each block's faults in the coordinate file, indexed but not yet
// looked up, to `findings`: errors for what would break a tree or put a
// place in the wrong spot, warnings for what is never used. Returns its
// place lines for the tree's check.
NearTwins check_blocks(const CoordinateIndex& index, Findings& findings);

// The blocks whose MAP has a LATI and a LONG in form right under it, with
// where those put their places, for the audit against a gazetteer.
std::vector<PlacedBlock> placed_blocks(const CoordinateIndex& index);

}  // namespace platsmarkeraren
