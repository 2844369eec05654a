#include "core/printable.hpp"

namespace platsmarkeraren {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// UTF-8 writes U+0080 to U+009F as C2 80 to C2 9F.
bool is_c1_control(std::string_view text, std::size_t at) {
  return text[at] == '\xc2' && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
         static_cast<unsigned char>(text[at + 1]) <= 0x9f;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte == '\n') {
      shown += "\\n";
    } else if (byte == '\t') {
      shown += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      shown.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    } else if (is_c1_control(text, at)) {
      const auto code = static_cast<unsigned char>(text[++at]);
      shown.append("\\u00").append(1, kHex[code >> 4]).append(1, kHex[code & 15]);
    } else {
      shown += text[at];
    }
  }
  return shown;
}

}  // namespace platsmarkeraren
