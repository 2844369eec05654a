#include "check/findings.hpp"

#include <algorithm>

namespace platsmarkeraren {

void Findings::add(std::size_t line, bool error, std::string text) {
  findings_.push_back({line, error, std::move(text)});
  errors_ += error ? 1 : 0;
}

void Findings::write_to(Sink& out) {
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& finding : findings_) {
    const std::string line = file_ + ':' + std::to_string(finding.line) + (finding.error ? ": fel: " : ": varning: ") + finding.text + '\n';
    out.write(line);
  }
}

}  // namespace platsmarkeraren
