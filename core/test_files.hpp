// What tests and fuzzers make their files from, for them only: a file read
// whole (the bundled examples), and text deflated as zip and gzip write it.
#pragma once

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>

namespace platsmarkeraren::test_files {

inline std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Raw deflate as a zip entry holds it, or, with window bits 31, a gzip file.
inline std::string deflated(const std::string& text, int window_bits = -MAX_WBITS) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace platsmarkeraren::test_files
