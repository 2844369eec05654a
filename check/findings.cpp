#include "check/findings.hpp"

#include <algorithm>

#include "merge/printable.hpp"

namespace platsmarkeraren {

void Findings::add(std::size_t line, bool error, std::string text) {
  held_.push_back({line, error, std::move(text)});
  ++(error ? errors_ : warnings_);
}

void Findings::settle_before(std::size_t line) {
  const auto settled = std::stable_partition(held_.begin(), held_.end(), [line](const Finding& f) { return f.line < line; });
  std::stable_sort(held_.begin(), settled, [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::string text;
  for (auto finding = held_.begin(); finding != settled; ++finding) {
    // A finding may quote the file's bytes; shown raw, a control byte among
    // them would end the line or command the terminal.
    text.append(file_).append(1, ':').append(std::to_string(finding->line));
    text.append(finding->error ? ": fel: " : ": varning: ").append(printable(finding->text)).append(1, '\n');
  }
  held_.erase(held_.begin(), settled);
  if (!text.empty()) out_.write(text);
}

}  // namespace platsmarkeraren
