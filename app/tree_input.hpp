// The tree as infil holds it: a GEDCOM file's own bytes, or the tree of a
// GEDZIP archive (.gdz), inflated. Every mode reads the one and the other
// alike; the merge into utfil writes an archive back around the new tree.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/file.hpp"
#include "core/stream.hpp"
#include "gedzip/gedzip.hpp"

namespace platsmarkeraren {

class TreeInput {
 public:
  // `name` is infil's name as given. Fails with one line for an archive
  // that names gedcom.ged but is damaged.
  TreeInput(InputFile& file, const std::string& name);
  ~TreeInput();
  TreeInput(const TreeInput&) = delete;
  TreeInput& operator=(const TreeInput&) = delete;

  // What every mode reads: the file's bytes, or the archive's tree.
  Source& tree() { return *tree_; }

  bool archived() const { return archive_.has_value(); }

  // How findings name the tree's lines: "träd.gdz:gedcom.ged" within an
  // archive, else the file's name.
  std::string lines_name() const;

  // A file that begins as a zip but is no GEDZIP is read as lines, as any
  // file is; the run says so after, in a warning.
  std::optional<std::string> warning() const;

  // Writes the archive to `out`, its tree as `write_tree` writes it.
  void write_archive(Sink& out, const std::function<void(Sink&)>& write_tree);

 private:
  class Access;

  std::string name_;
  std::string start_;  // the first bytes, read to tell a zip
  bool looks_like_zip_ = false;
  std::unique_ptr<Access> access_;
  std::optional<Gedzip> archive_;
  std::unique_ptr<Source> tree_;
};

}  // namespace platsmarkeraren
