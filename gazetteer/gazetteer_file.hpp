// A gazetteer as people download it: GeoNames' text file (SE.txt), a gzip
// of one, or a zip archive of one or several (SE.zip, allCountries.zip),
// told by the file's first bytes, never by its name. Read as the plain text
// of the GeoNames files it holds, one after another in the archive's order,
// streamed through zlib in the plain file's memory whatever the archive's
// size. Entries that are no GeoNames file (readme.txt) are passed over.
//
// A zip is read from its local headers, in order, so a file read once from
// its start is enough; an entry whose size only its directory at the end
// tells cannot be, and the message says to choose the file itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/stream.hpp"

namespace platsmarkeraren {

class GazetteerFile final : public Source {
 public:
  // `description` names the file in messages: ortregister "SE.zip".
  GazetteerFile(Source& file, std::string description);
  ~GazetteerFile() override;
  GazetteerFile(const GazetteerFile&) = delete;
  GazetteerFile& operator=(const GazetteerFile&) = delete;

  // Fails with one Swedish line naming the file for an archive that lies
  // about itself, ends early, or holds no GeoNames file, and for a file that
  // is plainly something else: a tree, a coordinate file, a binary file.
  std::size_t read(char* into, std::size_t size) override;
  // The plain file's size; none is known for an archive.
  std::size_t size_hint() const override;

  // How many bytes of the file itself are read, for showing progress.
  std::uint64_t consumed() const;

 private:
  class Reader;
  std::unique_ptr<Reader> reader_;
};

}  // namespace platsmarkeraren
