#include "check/near_twin.hpp"

#include "core/letters.hpp"

namespace platsmarkeraren {

namespace {

bool is_ascii_letter_or_digit(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

void near_twin_key(std::string_view text, std::string& key) {
  key.clear();
  for (std::size_t next = 0; next < text.size();) {
    const char32_t c = lowercase(next_code_point(text, next));
    if (c >= 0x80) {
      append_utf8(key, c);
    } else if (is_ascii_letter_or_digit(c)) {
      key += static_cast<char>(c);
    }
  }
}

}  // namespace platsmarkeraren
