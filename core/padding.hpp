// The output copies a short piece in one fixed stride, which costs less than
// a copy of its exact length, and so reads up to kCopyStride bytes from where
// a piece begins, past its end. Every buffer a piece can come from (the
// reader's, the coordinate file's, a constant's) keeps that many readable
// bytes after its data; this is all that those buffers need to know of the
// output.
#pragma once

#include <cstddef>

namespace platsmarkeraren {

inline constexpr std::size_t kCopyStride = 128;

}  // namespace platsmarkeraren
