#include "web/browser_file.hpp"

#include <emscripten.h>

#include <algorithm>
#include <stdexcept>

#include "messages/messages.hpp"

// The worker's side of these calls is `pageIo` in worker.js. Lengths cross
// as int and file sizes as double: a file may be larger than int allows,
// never a read.

// Copies up to `size` bytes at the file's reading position to `into`; the
// count, 0 at the end, or -1 when the browser could not read the file.
EM_JS(int, page_file_read, (int slot, char* into, int size), {
  const piece = pageIo.read(slot, size);
  if (piece === null) return -1;
  HEAPU8.set(piece, into);
  return piece.length;
});
EM_JS(double, page_file_size, (int slot), { return pageIo.size(slot); });
EM_JS(void, page_output_write, (const char* bytes, int size), { pageIo.write(HEAPU8.subarray(bytes, bytes + size)); });
EM_JS(void, page_message, (const char* text, int size), { pageIo.message(UTF8ToString(text, size)); });
EM_JS(void, page_point, (const char* place, int size, double latitude, double longitude),
      { pageIo.point(UTF8ToString(place, size), latitude, longitude); });
EM_JS(void, page_points_end, (double without), { pageIo.pointsEnd(without); });
EM_JS(void, page_undecided, (const char* json, int size, double drafted),
      { pageIo.undecidedPlaces(JSON.parse(UTF8ToString(json, size)), drafted); });
EM_JS(void, page_misplaced, (const char* place, int size, double latitude, double longitude, double place_latitude,
                             double place_longitude),
      { pageIo.misplaced(UTF8ToString(place, size), latitude, longitude, place_latitude, place_longitude); });

namespace platsmarkeraren {

BrowserFile::BrowserFile(int slot, const std::string& description, int& read_last)
    : slot_(slot),
      description_(description),
      read_last_(read_last),
      size_hint_(static_cast<std::size_t>(page_file_size(slot))) {}

std::size_t BrowserFile::read(char* into, std::size_t size) {
  read_last_ = slot_;
  static constexpr std::size_t kLongestRead = std::size_t{1} << 30;
  const int got = page_file_read(slot_, into, static_cast<int>(std::min(size, kLongestRead)));
  if (got < 0) {
    throw std::runtime_error("kan inte läsa " + description_ + ": webbläsaren kunde inte läsa den; har filen ändrats "
                    "eller flyttats sedan den valdes?");
  }
  if (read_ == 0) {
    if (auto refusal = utf16_refusal({into, static_cast<std::size_t>(got)}, description_)) {
      throw std::runtime_error(*refusal);
    }
  }
  read_ += static_cast<std::size_t>(got);
  return static_cast<std::size_t>(got);
}

void BrowserOutput::write(std::string_view bytes) { page_output_write(bytes.data(), static_cast<int>(bytes.size())); }

void show_message(std::string_view line) { page_message(line.data(), static_cast<int>(line.size())); }

void show_point(std::string_view place, double latitude, double longitude) {
  page_point(place.data(), static_cast<int>(place.size()), latitude, longitude);
}

void show_points_end(std::size_t without_coordinates) {
  page_points_end(static_cast<double>(without_coordinates));
}

void show_misplaced(std::string_view place, double latitude, double longitude, double place_latitude,
                    double place_longitude) {
  page_misplaced(place.data(), static_cast<int>(place.size()), latitude, longitude, place_latitude, place_longitude);
}

void show_undecided(std::string_view json, std::size_t drafted) {
  page_undecided(json.data(), static_cast<int>(json.size()), static_cast<double>(drafted));
}

}  // namespace platsmarkeraren
