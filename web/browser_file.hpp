// The core's streams in the browser: a file the user chose, read in slices
// through the worker, and the output, handed to the worker in parts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "merge/stream.hpp"

namespace platsmarkeraren {

class BrowserFile final : public Source {
 public:
  // `slot` is the worker's number for the file; `description` names it in
  // messages, as infil "släkt.ged".
  BrowserFile(int slot, std::string description);
  // Refuses a file saved as UTF-16, as the program does.
  std::size_t read(char* into, std::size_t size) override;
  std::size_t size_hint() const override { return size_hint_ - read_; }

 private:
  int slot_;
  std::string description_;
  std::size_t size_hint_;
  std::size_t read_ = 0;
};

// The file read last, as messages name it: what was being read when memory
// ran out. Empty before any read.
std::string_view browser_reading_now();

class BrowserOutput final : public Sink {
 public:
  void write(std::string_view bytes) override;
};

// What the page shows beside the output: a message line, and the points of
// the picture of the places.
void show_message(std::string_view line);
void show_point(std::string_view place, double latitude, double longitude);
void show_points_end(std::size_t without_coordinates);

}  // namespace platsmarkeraren
