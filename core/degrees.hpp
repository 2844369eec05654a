// Degrees as people and programs write them, read by one grammar: digits,
// and perhaps a decimal point and more digits. GEDCOM's values hold them
// after their letter ("N60.56667"), a gazetteer with a sign ("-12.5"), and
// typed coordinates either way. Read digit by digit: no number type's
// rounding decides whether a value is in range, and no locale's decimal
// mark enters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platsmarkeraren {

// Unsigned decimal degrees in their digits.
struct DecimalDegrees {
  std::string_view whole;     // without leading zeros; "0" for none
  std::string_view fraction;  // the digits after the point; empty for none

  // Reads `text`; nothing when it is not digits with at most one point
  // between digits.
  static std::optional<DecimalDegrees> read(std::string_view text);

  // True when more than `limit` (90 or 180), decided on the digits.
  bool beyond(int limit) const;
  // The value; infinity for one too long for a double.
  double value() const;
};

// Degrees kept in their own decimal digits, so that GEDCOM gets them
// unchanged by any binary rounding.
class Degrees {
 public:
  // Reads decimal degrees, signed or not, of at most `limit` either way (90
  // or 180); none for anything else.
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
