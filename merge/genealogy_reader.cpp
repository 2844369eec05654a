#include "merge/genealogy_reader.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "merge/block_output.hpp"
#include "merge/line.hpp"

namespace platsmarkeraren {

namespace {

// Large reads keep the number of system calls low; below a quarter of a
// megabyte the calls themselves begin to show in a profile.
constexpr std::size_t kReadSize = 1 << 18;

}  // namespace

GenealogyReader::GenealogyReader(Source& genealogy, std::size_t hold_limit)
    : genealogy_(genealogy), hold_limit_(hold_limit) {}

bool GenealogyReader::next(Buffer& buffer, Block& block) {
  const std::optional<Lines> lines = read_block(buffer, block);
  if (!lines) return false;
  // The search runs outside the lock, beside the other workers' searches.
  buffer.place_lines_.clear();
  find_place_lines(buffer.data_.get() + lines->first, buffer.data_.get() + lines->last, buffer.place_lines_);
  block.place_lines = buffer.place_lines_;
  return true;
}

void GenealogyReader::stop() {
  const std::lock_guard<std::mutex> lock(reading_);
  ended_ = true;
  carried_ = {};
}

// Reads under the lock, and finds which of the bytes read are whole lines
// to search for place lines and which wait for the next block.
std::optional<GenealogyReader::Lines> GenealogyReader::read_block(Buffer& buffer, Block& block) {
  const std::lock_guard<std::mutex> lock(reading_);
  if (ended_) return std::nullopt;
  block.number = blocks_++;
  // A small file needs no more than its size and one byte to see the end;
  // a pipe tells no size.
  const std::size_t hint = genealogy_.size_hint();
  const std::size_t read_size = hint == 0 ? kReadSize : std::min(kReadSize, hint + 1);
  const std::string_view carried = std::exchange(carried_, {});
  buffer.make_room(carried, read_size);
  char* const data = buffer.data_.get();
  const std::size_t held = carried.size();
  ended_ = true;  // until the read succeeds: after a failure nothing more is read
  const std::size_t got = genealogy_.read(data + held, read_size);
  ended_ = got == 0;
  if (got == 0) {
    // What is left is the last line of a file that does not end in a newline.
    if (held == 0) return std::nullopt;
    block.bytes = {data, held};
    return Lines{0, held};
  }
  const std::size_t last = held + got;
  std::size_t first = 0;
  if (passing_) {  // the rest of a long line, up to its newline, goes on as it is
    const void* const newline = std::memchr(data, '\n', got);
    first = newline == nullptr ? last : static_cast<std::size_t>(static_cast<const char*>(newline) - data) + 1;
    passing_ = newline == nullptr;
  }
  // The held bytes have no newline, so the last newline is in the fresh ones.
  const char* const cut = after_last_newline(data + std::max(first, held), data + last);
  const std::size_t whole = cut == nullptr ? first : static_cast<std::size_t>(cut - data);
  std::size_t kept = whole;
  if (last - whole > hold_limit_) {
    kept = last;
    passing_ = true;
  }
  carried_ = {data + kept, last - kept};
  block.bytes = {data, kept};
  return Lines{first, whole};
}

void GenealogyReader::Buffer::make_room(std::string_view carried, std::size_t read_size) {
  const std::size_t needed = carried.size() + read_size;
  if (capacity_ >= needed) {
    // The carried bytes may be this buffer's own.
    if (!carried.empty()) std::memmove(data_.get(), carried.data(), carried.size());
    return;
  }
  // Room for twice as much: the start of a line carried from block to block
  // then fits from the second block on. A new buffer is paid for page by
  // page as it is first filled, and only the pages filled count.
  capacity_ = std::max(2 * capacity_, 2 * needed);
  auto grown = std::make_unique_for_overwrite<char[]>(capacity_ + kCopyStride);
  std::copy(carried.begin(), carried.end(), grown.get());
  data_ = std::move(grown);
}

}  // namespace platsmarkeraren
