// A set of texts that holds each one once, in little more memory than the
// texts themselves: the list of missing places may hold millions of them.
//
// The texts stand one after another in chunks that grow to 1 MiB (a longer
// text gets a chunk of its own), each after its size in 4 bytes. A flat table of
// 8-byte keys, probed linearly and kept at most three quarters full, finds
// them: a key is the hash's top 24 bits, over the chunk's number in 16 bits,
// over the text's place in its chunk, counted from 1, in 24 bits; 0 is an
// empty slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/hash.hpp"

namespace platsmarkeraren {

class TextSet {
 public:
  explicit TextSet(std::uint64_t salt = random_salt());

  // Adds `text`; false when the set holds it already.
  bool insert(std::string_view text);

 private:
  std::string_view stored_text(std::uint64_t key) const;
  std::uint64_t store(std::string_view text, std::uint64_t hash);
  void grow();

  std::uint64_t salt_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunk_left_ = 0;   // bytes free in the last chunk
  std::size_t chunk_used_ = 0;   // bytes taken in it
  std::vector<std::uint64_t> keys_;
  std::size_t size_ = 0;
};

}  // namespace platsmarkeraren
