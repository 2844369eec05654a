// The output copies a short piece in one fixed stride, which costs less than
// a copy of its exact length, and so reads up to kCopyStride bytes from where
// a piece begins, past its end. Only PaddedBytes are copied so: bytes that
// PaddedMemory, which keeps that many readable bytes after its own, handed
// out, or a part of such bytes, since what follows a part within them is
// readable too; two keepers named below may hold them as plain pointers
// and put them together again. Any other bytes take the output's exact
// copy. So the rule is kept by the compiler, here, and not by each buffer
// by hand.
#pragma once

#include <cassert>
#include <cstddef>
#include <string_view>

#include "core/large_array.hpp"

namespace platsmarkeraren {

inline constexpr std::size_t kCopyStride = 128;

class PaddedBytes {
 public:
  // No bytes, standing where kCopyStride bytes may be read.
  constexpr PaddedBytes() : bytes_(std::string_view(kNothing, kCopyStride).substr(0, 0)) {}

  // Still padded as plain bytes: only the knowledge of the padding is lost.
  operator std::string_view() const { return bytes_; }  // NOLINT(google-explicit-constructor)
  const char* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }

  // The bytes of `part`, which lies within these.
  PaddedBytes part(std::string_view part) const {
    assert(part.data() >= bytes_.data() && part.data() + part.size() <= bytes_.data() + bytes_.size());
    return PaddedBytes(part);
  }
  PaddedBytes part(const char* first, const char* last) const {
    return part(std::string_view(first, static_cast<std::size_t>(last - first)));
  }

 private:
  friend class PaddedMemory;
  // The keepers of padded bytes in fewer bits: a twin's block as a pointer
  // beside its packed size, and a worker's table of used twins, whose
  // pointers all come from padded memory (the coordinate file's or its own
  // room's) and which must not spend a test per lookup on telling which.
  friend class TwinBlock;
  friend class UsedTwins;
  static constexpr char kNothing[kCopyStride] = {};

  // Bytes that were padded when they were handed out, kept apart and put
  // together again by their keeper.
  static PaddedBytes kept(std::string_view bytes) { return PaddedBytes(bytes); }

  constexpr explicit PaddedBytes(std::string_view bytes) : bytes_(bytes) {}

  std::string_view bytes_;
};

// Memory of size() bytes with kCopyStride readable bytes after them, in
// huge pages where it is large (see large_array.hpp); left uninitialised.
class PaddedMemory {
 public:
  PaddedMemory() = default;
  explicit PaddedMemory(std::size_t size) : memory_(size + kCopyStride), size_(size) {}

  char* data() { return memory_.data(); }
  const char* data() const { return memory_.data(); }
  std::size_t size() const { return size_; }

  // Grows to `size` bytes, keeping the first `keep`.
  void grow(std::size_t size, std::size_t keep) {
    memory_.grow(size + kCopyStride, keep);
    size_ = size;
  }

  // The `size` bytes from `first`, which lie within this memory.
  PaddedBytes bytes(const char* first, std::size_t size) const {
    assert(first >= data() && first + size <= data() + size_);
    return PaddedBytes({first, size});
  }

 private:
  LargeArray<char> memory_;
  std::size_t size_ = 0;
};

}  // namespace platsmarkeraren
