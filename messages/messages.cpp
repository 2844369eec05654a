#include "messages/messages.hpp"

#include <new>
#include <stdexcept>
#include <utility>

#include "core/stream.hpp"

namespace platsmarkeraren {

std::string describe(std::string_view argument, std::string_view name) {
  return std::string(argument) + " \"" + printable(name) + '"';
}

namespace {

// A UTF-16 file begins with its byte-order mark, FF FE or FE FF. One saved
// without it shows the zero byte beside each Latin letter: in its first 16
// bytes every byte at an even offset is zero and every one at an odd offset
// is not, or the other way round. A text file that merely holds a zero byte
// somewhere, which the merge carries through, never has that rhythm.
bool saved_as_utf16(std::string_view start) {
  if (start.size() < 2) return false;
  if (start.starts_with("\xff\xfe") || start.starts_with("\xfe\xff")) return true;
  start = start.substr(0, kUtf16Evidence);
  const bool zero_first = start[0] == '\0';
  for (std::size_t at = 0; at < start.size(); ++at) {
    const bool zero_expected = (at % 2 == 0) == zero_first;
    if ((start[at] == '\0') != zero_expected) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> utf16_refusal(std::string_view start, std::string_view description) {
  if (!saved_as_utf16(start)) return std::nullopt;
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

std::vector<std::string> gazetteer_warnings(const GazetteerCounts& passed_over, std::string_view gazetteer_description,
                                            std::string_view genealogy_description) {
  std::vector<std::string> warnings;
  const std::size_t unreadable_rows = passed_over.unreadable_rows;
  if (unreadable_rows != 0) {
    warnings.push_back("varning: " + std::to_string(unreadable_rows) + (unreadable_rows == 1 ? " rad" : " rader") +
                       " i " + std::string(gazetteer_description) +
                       " har koordinater som inte går att läsa och hoppades över");
  }
  if (!passed_over.unread_encoding.empty()) {
    warnings.push_back("varning: " + std::string(genealogy_description) + " har teckenkodningen \"" +
                       printable(passed_over.unread_encoding) +
                       "\", som programmet inte läser: ortnamn med andra tecken än A–Z jämförs som de står och hittas "
                       "kanske inte");
  }
  return warnings;
}

std::string out_of_memory(std::string_view reading) {
  return "minnet tog slut" + (reading.empty() ? std::string() : " medan " + std::string(reading) + " lästes");
}

std::string message_for(const std::exception& error, std::string_view genealogy, std::string_view coordinates,
                        std::string_view reading) {
  if (const auto* limit = dynamic_cast<const FileLimitError*>(&error)) {
    const bool tree = limit->file() == FileLimitError::File::genealogy;
    return std::string(tree ? genealogy : coordinates) + " " + limit->what();
  }
  // The library's own length_error: something grew past what it can hold.
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr || dynamic_cast<const std::length_error*>(&error) != nullptr) {
    return out_of_memory(reading);
  }
  return error.what();
}

}  // namespace platsmarkeraren
