#include "app/messages.hpp"

#include <utility>

namespace platsmarkeraren {

std::string printable(std::string_view name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
      shown += "\\n";
    } else if (byte == '\t') {
      shown += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      shown.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string describe(std::string_view argument, std::string_view name) {
  return std::string(argument) + " \"" + printable(name) + '"';
}

std::optional<std::string> utf16_refusal(std::string_view start, std::string_view description) {
  // A UTF-16 file begins with its byte-order mark, FF FE or FE FF.
  if (start.size() < 2 || !((start[0] == '\xff' && start[1] == '\xfe') || (start[0] == '\xfe' && start[1] == '\xff'))) {
    return std::nullopt;
  }
  return std::string(description) +
         " är sparad som UTF-16, där inga rader kan jämföras; spara den som UTF-8 "
         "(i släktprogrammet eller en textredigerare) och försök igen";
}

std::string merge_warning(const MergeReport& report) {
  std::string line = "varning: infogade block kan ha skadat trädet:";
  const char* separator = " ";
  for (const auto& [count, what] : {std::pair{report.broken_records, " har en ortrad, en rad på nivå 0–2 eller en tom rad"},
                                    std::pair{report.cut_short, " är kortare än fem rader"},
                                    std::pair{report.second_maps, " ger en ort en andra MAP"}}) {
    if (count == 0) continue;
    line.append(separator).append(std::to_string(count)).append(what);
    separator = "; ";
  }
  return line;
}

std::string draft_warning(std::size_t unreadable_rows, std::string_view gazetteer_description) {
  if (unreadable_rows == 0) return {};
  return "varning: " + std::to_string(unreadable_rows) + (unreadable_rows == 1 ? " rad" : " rader") + " i " +
         std::string(gazetteer_description) + " har koordinater som inte går att läsa och hoppades över";
}

std::string out_of_memory(std::string_view reading) {
  return "minnet tog slut" + (reading.empty() ? std::string() : " medan " + std::string(reading) + " lästes");
}

}  // namespace platsmarkeraren
