// A GEDCOM 7 tree as programs ship it: a GEDZIP archive (.gdz), a zip that
// holds the tree as "gedcom.ged" beside the media files it names. Told by
// its bytes, never by its name: a zip whose directory names gedcom.ged.
//
// An archive is data, never a path: entry names are carried as names and
// nothing is written to disk from it. The tree is read inflated, its size
// and check sum proved at its end; writing an archive copies every other
// entry byte for byte, in order, with its name, time and attributes, and
// deflates the new tree in its place. Memory is bounded whatever the
// media's sizes: entries are copied and inflated a buffer at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/stream.hpp"

namespace platsmarkeraren {

// A file that can be read anywhere: a GEDZIP is found by its directory at
// its end.
class RandomAccess {
 public:
  virtual ~RandomAccess() = default;
  virtual std::uint64_t size() const = 0;
  // Reads up to `size` bytes at `offset`; fewer only at the end.
  virtual std::size_t read_at(std::uint64_t offset, char* into, std::size_t size) = 0;
};

// An archive that names gedcom.ged but lies about it or cannot be read: the
// reason in one Swedish phrase, for the caller to put after the file's name.
class GedzipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The tree's name within the archive.
inline constexpr std::string_view kGedzipTree = "gedcom.ged";

class Gedzip {
 public:
  // The archive in `file`, or none when the file is no zip whose directory
  // names gedcom.ged. Throws GedzipError for one that names it but whose
  // directory or entries contradict themselves.
  static std::optional<Gedzip> open(RandomAccess& file);

  Gedzip(Gedzip&&) noexcept;
  Gedzip& operator=(Gedzip&&) noexcept;
  ~Gedzip();

  // gedcom.ged, inflated; it fails with GedzipError where its bytes do not
  // match its size or check sum.
  std::unique_ptr<Source> tree();

  // Writes the archive with every entry as it is, save gedcom.ged, whose
  // new bytes `write_tree` writes to the sink it is given.
  void write(Sink& out, const std::function<void(Sink&)>& write_tree);

  struct Entry;

 private:
  Gedzip(RandomAccess& file, std::vector<Entry> entries, std::size_t tree);

  RandomAccess* file_;
  std::vector<Entry> entries_;
  std::size_t tree_;  // of entries_
};

}  // namespace platsmarkeraren
