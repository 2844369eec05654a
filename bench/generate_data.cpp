// Writes benchmark data: generate_data PERSONS PLACES DECOYS GENEALOGY COORDINATES
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/data_generator.hpp"

namespace {

bool write_file(const char* name, const std::string& text) {
  std::ofstream file(name, std::ios::binary);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) std::cerr << "generate_data: cannot write " << name << "\n";
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: generate_data PERSONS PLACES DECOYS GENEALOGY COORDINATES\n";
    return 2;
  }
  platsmarkeraren::bench::DataSize size;
  size.persons = std::strtoull(argv[1], nullptr, 10);
  size.places = std::strtoull(argv[2], nullptr, 10);
  size.decoys_per_place = std::strtoull(argv[3], nullptr, 10);
  const bool written =
      write_file(argv[4], platsmarkeraren::bench::genealogy_file(size)) &&
      write_file(argv[5], platsmarkeraren::bench::coordinate_file(size));
  return written ? 0 : 1;
}
