// GEDZIP archives from the fuzzer's bytes: whatever they hold, reading one
// ends in an archive, no archive or one refusal, never in a crash; and an
// archive that reads is written again into one whose tree and entries read
// the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/memory_stream.hpp"
#include "gedzip/gedzip.hpp"
#include "gedzip/memory_file.hpp"

namespace {

using platsmarkeraren::Gedzip;
using platsmarkeraren::GedzipError;
using platsmarkeraren::MemoryFile;
using platsmarkeraren::Sink;
using platsmarkeraren::Source;
using platsmarkeraren::StringSink;

// The tree, or none where the archive refuses it.
std::optional<std::string> tree_of(Gedzip& archive) {
  try {
    const std::unique_ptr<Source> tree = archive.tree();
    std::string text;
    std::vector<char> buffer(4096);
    for (std::size_t got; (got = tree->read(buffer.data(), buffer.size())) > 0;) text.append(buffer.data(), got);
    return text;
  } catch (const GedzipError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(std::string(reinterpret_cast<const char*>(data), size));
  std::optional<Gedzip> archive;
  try {
    archive = Gedzip::open(file);
  } catch (const GedzipError&) {
    return 0;
  }
  if (!archive) return 0;
  const std::optional<std::string> tree = tree_of(*archive);
  if (!tree) return 0;
  StringSink written;
  try {
    archive->write(written, [&](Sink& out) { out.write(*tree + "3 MAP\n"); });
  } catch (const GedzipError&) {
    return 0;  // an entry's bytes end before the directory says
  }
  MemoryFile again(written.text);
  std::optional<Gedzip> reread = Gedzip::open(again);
  if (!reread || tree_of(*reread) != *tree + "3 MAP\n") std::abort();
  StringSink twice;
  reread->write(twice, [&](Sink& out) { out.write(*tree + "3 MAP\n"); });
  if (twice.text != written.text) std::abort();
  return 0;
}
