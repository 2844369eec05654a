// A latitude or longitude in decimal degrees, as a gazetteer writes it
// ("60.56667", "-12.5") and as GEDCOM's values hold it after their letter,
// kept in its own decimal digits so that GEDCOM gets them unchanged by any
// binary rounding. The one reader of degrees: the drafts, the audit and the
// check all see a value as the same number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platsmarkeraren {

class Degrees {
 public:
  // Reads decimal degrees of at most `limit` either way (90 or 180); none
  // for anything else.
  static std::optional<Degrees> read(std::string_view text, int limit);

  double value() const;

  // In GEDCOM's form: `positive` or `negative` (N and S, or E and W), the
  // degrees, and four to six decimals, as many as the gazetteer gave in
  // that range ("N60.5667", "W0.1278").
  std::string gedcom(char positive, char negative) const;

 private:
  std::int64_t millionths_ = 0;  // the value, rounded to six decimals
  int decimals_ = 0;             // how many the text gave, up to six
};

}  // namespace platsmarkeraren
