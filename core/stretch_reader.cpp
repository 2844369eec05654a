#include "core/stretch_reader.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace platsmarkeraren {

namespace {

// Small enough to stay in the processor's cache, which the system copies into.
constexpr std::size_t kStretchSize = std::size_t{256} << 10;

}  // namespace

StretchReader::StretchReader(Source& source, std::string_view description,
                             std::function<void(std::size_t)> progress)
    : source_(source), description_(description), progress_(std::move(progress)) {}

bool StretchReader::next(std::vector<char>& buffer, Stretch& stretch) {
  const std::lock_guard<std::mutex> lock(reading_);
  if (ended_) return false;
  if (buffer.size() < kStretchSize) buffer.resize(kStretchSize);
  std::size_t held = carried_.size();
  if (buffer.size() < held * 2) buffer.resize(held * 2);
  std::memcpy(buffer.data(), carried_.data(), held);
  carried_.clear();
  while (true) {
    if (held == buffer.size()) {
      if (held >= kStretchSize + kLongestLine) {
        throw std::runtime_error(std::string(description_) + " är ingen GeoNames-fil: en rad är längre än " +
                                 std::to_string(kLongestLine >> 20) + " MiB");
      }
      buffer.resize(std::min(buffer.size() * 2, kStretchSize + kLongestLine));
    }
    const std::size_t got = source_.read(buffer.data() + held, buffer.size() - held);
    read_ += got;
    if (got == 0) {
      ended_ = true;
      stretch = {stretches_++, held};
      return held != 0;
    }
    const std::size_t line_feed = std::string_view(buffer.data() + held, got).rfind('\n');
    held += got;
    if (line_feed != std::string_view::npos) {
      const std::size_t whole = held - got + line_feed + 1;
      carried_.assign(buffer.data() + whole, held - whole);
      stretch = {stretches_++, whole};
      progress_(read_);
      return true;
    }
  }
}

void StretchReader::stop() {
  const std::lock_guard<std::mutex> lock(reading_);
  ended_ = true;
}

}  // namespace platsmarkeraren
