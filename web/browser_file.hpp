// The core's streams in the browser: a file the user chose, read in slices
// through the worker, and the output, handed to the worker in parts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/stream.hpp"

namespace platsmarkeraren {

class BrowserFile final : public Source {
 public:
  // `slot` is the worker's number for the file; `description` names it in
  // messages, as infil "släkt.ged". Each read sets `read_last` to the slot:
  // what was being read when memory ran out. Both outlive the file, so that
  // a failure can still be told once the file is gone.
  BrowserFile(int slot, const std::string& description, int& read_last);
  // Refuses a file saved as UTF-16, as the program does.
  std::size_t read(char* into, std::size_t size) override;
  std::size_t size_hint() const override { return size_hint_ - read_; }

 private:
  int slot_;
  const std::string& description_;
  int& read_last_;
  std::size_t size_hint_;
  std::size_t read_ = 0;
};

class BrowserOutput final : public Sink {
 public:
  void write(std::string_view bytes) override;
};

// What the page shows beside the output: a message line, the points of the
// picture of the places, and the blocks that lie far from their places.
void show_message(std::string_view line);
void show_point(std::string_view place, double latitude, double longitude);
void show_points_end(std::size_t without_coordinates);
// The places a draft could not decide, as a JSON array of objects: place,
// why, candidates (each description, latitude, longitude, north, east, id);
// and how many places it drafted.
void show_undecided(std::string_view json, std::size_t drafted);
// A block that lies far from where the gazetteer has its place.
void show_misplaced(std::string_view place, double latitude, double longitude, double place_latitude,
                    double place_longitude);

}  // namespace platsmarkeraren
