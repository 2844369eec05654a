#include "check/findings.hpp"

#include <algorithm>
#include <iterator>

#include "core/printable.hpp"

namespace platsmarkeraren {

void Findings::add(std::size_t line, bool error, std::string text) {
  held_.push_back({line, error, std::move(text)});
  ++(error ? errors_ : warnings_);
}

void Findings::warning_ahead(std::size_t line, std::string text) {
  ahead_.push_back({line, false, std::move(text)});
  ++warnings_;
}

void Findings::settle_before(std::size_t line) {
  const auto before = [line](const Finding& f) { return f.line < line; };
  // Those given ahead come first among the findings of one line.
  const auto ahead = ahead_.begin() + static_cast<std::ptrdiff_t>(ahead_taken_);
  const auto ahead_end = std::partition_point(ahead, ahead_.end(), before);
  std::vector<Finding> settled(std::make_move_iterator(ahead), std::make_move_iterator(ahead_end));
  ahead_taken_ = static_cast<std::size_t>(ahead_end - ahead_.begin());
  const auto held_end = std::stable_partition(held_.begin(), held_.end(), before);
  settled.insert(settled.end(), std::make_move_iterator(held_.begin()), std::make_move_iterator(held_end));
  held_.erase(held_.begin(), held_end);
  std::stable_sort(settled.begin(), settled.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::string text;
  for (const Finding& finding : settled) {
    // A finding may quote the file's bytes; shown raw, a control byte among
    // them would end the line or command the terminal.
    text.append(file_).append(1, ':').append(std::to_string(finding.line));
    text.append(finding.error ? ": fel: " : ": varning: ").append(printable(finding.text)).append(1, '\n');
  }
  if (!text.empty()) out_.write(text);
}

}  // namespace platsmarkeraren
