#include "check/near_twin.hpp"

namespace platsmarkeraren {

namespace {

bool is_ascii_letter_or_digit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// In UTF-8, the capitals À to Þ of Latin-1 are 0xC3 then 0x80 to 0x9E
// (0x97 is the multiplication sign); their small letters are 0x20 further.
constexpr unsigned char kLatinLead = 0xC3;

}  // namespace

void near_twin_key(std::string_view text, std::string& key) {
  key.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == kLatinLead && i + 1 < text.size()) {
      auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) next += 0x20;
      key += static_cast<char>(c);
      key += static_cast<char>(next);
      ++i;
    } else if (c >= 0x80) {
      key += static_cast<char>(c);
    } else if (is_ascii_letter_or_digit(c)) {
      key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
  }
}

}  // namespace platsmarkeraren
