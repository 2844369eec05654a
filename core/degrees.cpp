#include "core/degrees.hpp"

#include <algorithm>
#include <numeric>

namespace platsmarkeraren {

namespace {

constexpr std::int64_t kMillion = 1000000;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<DecimalDegrees> DecimalDegrees::read(std::string_view text) {
  const std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const auto digits = [](std::string_view part) { return !part.empty() && std::all_of(part.begin(), part.end(), is_digit); };
  if (!digits(whole) || (point != std::string_view::npos && !digits(fraction))) return std::nullopt;
  // Values may be written with leading zeros (N060.5); only the digits
  // that count are weighed.
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  return DecimalDegrees{whole, fraction};
}

bool DecimalDegrees::beyond(int limit) const {
  if (whole.size() > 3) return true;
  const int number = std::accumulate(whole.begin(), whole.end(), 0, [](int sum, char c) { return sum * 10 + (c - '0'); });
  return number > limit || (number == limit && fraction.find_first_not_of('0') != std::string_view::npos);
}

double DecimalDegrees::value() const {
  double value = std::accumulate(whole.begin(), whole.end(), 0.0, [](double sum, char c) { return sum * 10 + (c - '0'); });
  double scale = 1;
  for (const char c : fraction) {
    scale /= 10;
    value += (c - '0') * scale;
  }
  return value;
}

std::optional<Degrees> Degrees::read(std::string_view text, int limit) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  const std::optional<DecimalDegrees> decimal = DecimalDegrees::read(text);
  if (!decimal || decimal->beyond(limit)) return std::nullopt;
  const auto digits = [](std::int64_t sum, char c) { return sum * 10 + (c - '0'); };
  std::string six(decimal->fraction.substr(0, 6));
  six.resize(6, '0');
  std::int64_t millionths =
      std::accumulate(six.begin(), six.end(), std::accumulate(decimal->whole.begin(), decimal->whole.end(), std::int64_t{0}, digits), digits);
  if (decimal->fraction.size() > 6 && decimal->fraction[6] >= '5') ++millionths;
  Degrees degrees;
  degrees.millionths_ = negative ? -millionths : millionths;
  degrees.decimals_ = static_cast<int>(std::min<std::size_t>(decimal->fraction.size(), 6));
  return degrees;
}

double Degrees::value() const { return static_cast<double>(millionths_) / kMillion; }

std::string Degrees::gedcom(char positive, char negative) const {
  const int decimals = std::max(decimals_, 4);
  std::int64_t scale = 1;
  for (int i = decimals; i < 6; ++i) scale *= 10;
  std::int64_t magnitude = millionths_ < 0 ? -millionths_ : millionths_;
  magnitude = (magnitude + scale / 2) / scale;  // only digits beyond the text's own are dropped: zeros
  std::int64_t unit = kMillion / scale;
  std::string text(1, millionths_ < 0 ? negative : positive);
  text += std::to_string(magnitude / unit);
  text += '.';
  const std::string fraction = std::to_string(magnitude % unit);
  text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0').append(fraction);
  return text;
}

}  // namespace platsmarkeraren
