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
  if (capacity_ - held_ >= kReadSize) return;
  capacity_ = std::max(2 * capacity_, held_ + kReadSize);
  auto grown = std::make_unique_for_overwrite<char[]>(capacity_);
  std::copy(buffer_.get(), buffer_.get() + held_, grown.get());
  buffer_ = std::move(grown);
}

void GenealogyScanner::scan_lines(const char* first, const char* last,
                                  GenealogyVisitor& visitor) {
  if (passing_) {  // called only once the long line's newline is read
    const char* end_of_long_line = first;
    take_line(end_of_long_line, last);
    visitor.copy({first, static_cast<std::size_t>(end_of_long_line - first)});
    passing_ = false;
    first = end_of_long_line;
  }
  const char* copied = first;
  while (const char* const marker = find_place_marker(first, last)) {
    const char* const start = after_last_newline(first, marker);
    const char* const line_first = start != nullptr ? start : first;
    const char* line_last = marker;
    take_line(line_last, last);
    visitor.copy({copied, static_cast<std::size_t>(line_first - copied)});
    visitor.place_line({line_first, static_cast<std::size_t>(line_last - line_first)});
    copied = first = line_last;
  }
  visitor.copy({copied, static_cast<std::size_t>(last - copied)});
}

void GenealogyScanner::keep_from(const char* first) {
  const char* const last = buffer_.get() + held_;
  held_ = static_cast<std::size_t>(last - first);
  std::memmove(buffer_.get(), first, held_);
}

void GenealogyScanner::hold_or_pass(GenealogyVisitor& visitor) {
  if (held_ == 0 || (!passing_ && held_ <= hold_limit_)) return;
  visitor.copy({buffer_.get(), held_});
  held_ = 0;
  passing_ = true;
}

}  // namespace platsmarkeraren
