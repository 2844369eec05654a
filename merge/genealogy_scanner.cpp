#include "merge/genealogy_scanner.hpp"

#include <algorithm>
#include <cstring>

#include "merge/line.hpp"

namespace platsmarkeraren {

namespace {

// Large reads keep the number of system calls low; below a quarter of a
// megabyte the calls themselves begin to show in a profile.
constexpr std::size_t kReadSize = 1 << 18;

}  // namespace

GenealogyScanner::GenealogyScanner(Source& genealogy, std::size_t hold_limit)
    : genealogy_(genealogy), hold_limit_(hold_limit) {}

void GenealogyScanner::scan(GenealogyVisitor& visitor) {
  for (;;) {
    make_room();
    char* const fresh = buffer_.get() + held_;
    const std::size_t got = genealogy_.read(fresh, capacity_ - held_);
    if (got == 0) break;
    const char* const last = fresh + got;
    held_ += got;
    // The held bytes have no newline, so the last newline is in the fresh ones.
    if (const char* const cut = after_last_newline(fresh, last)) {
      scan_lines(buffer_.get(), cut, visitor);
      keep_from(cut);
    }
    hold_or_pass(visitor);
  }
  // What is left is the last line of a file that does not end in a newline.
  scan_lines(buffer_.get(), buffer_.get() + held_, visitor);
  held_ = 0;
}

void GenealogyScanner::make_room() {
  // A small file needs no more than its size and one byte to see the end;
  // a pipe tells no size.
  const std::size_t hint = genealogy_.size_hint();
  const std::size_t read_size = hint == 0 ? kReadSize : std::min(kReadSize, hint + 1);
  if (capacity_ - held_ >= read_size) return;
  capacity_ = std::max(2 * capacity_, held_ + read_size);
  auto grown = std::make_unique_for_overwrite<char[]>(capacity_);
  std::copy(buffer_.get(), buffer_.get() + held_, grown.get());
  buffer_ = std::move(grown);
}

void GenealogyScanner::scan_lines(const char* first, const char* last,
                                  GenealogyVisitor& visitor) {
  if (passing_) {  // called only once the long line's newline is read
    const char* const long_line = first;
    take_line(first, last);
    visitor.lines(bytes_between(long_line, first), {});
    passing_ = false;
  }
  place_lines_.clear();
  for (const char* next = first; next < last;) {
    const std::string_view line = take_place_line(next, last);
    if (!line.empty()) place_lines_.push_back(line);
  }
  visitor.lines(bytes_between(first, last), place_lines_);
}

void GenealogyScanner::keep_from(const char* first) {
  const char* const last = buffer_.get() + held_;
  held_ = static_cast<std::size_t>(last - first);
  std::memmove(buffer_.get(), first, held_);
}

void GenealogyScanner::hold_or_pass(GenealogyVisitor& visitor) {
  if (held_ == 0 || (!passing_ && held_ <= hold_limit_)) return;
  visitor.lines({buffer_.get(), held_}, {});
  held_ = 0;
  passing_ = true;
}

}  // namespace platsmarkeraren
