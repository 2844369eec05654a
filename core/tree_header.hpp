// A genealogy file whose first bytes, which hold its header, are read ahead,
// so that its encoding is known before the rest of it streams through.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/tree_encoding.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

// The value, without the blanks around it, of the header's level-1 `tag`
// line, or of the level-2 `subtag` line under it; empty when there is none.
std::string_view header_value(std::string_view start, std::string_view tag, std::string_view subtag = {});

class TreeHeader final : public Source {
 public:
  // Reads the first bytes of `tree`, up to 64 KiB.
  explicit TreeHeader(Source& tree);

  // The tree from its start: the bytes read ahead, then the rest.
  std::size_t read(char* into, std::size_t size) override;
  std::size_t size_hint() const override { return tree_.size_hint(); }

  std::string_view start() const { return start_; }
  TreeEncoding encoding() const { return tree_encoding(start_); }
  // What the header's "1 PLAC" / "2 FORM" says each part of a place's text
  // names, in the tree's bytes; empty when it says nothing.
  std::string_view place_form() const { return header_value(start_, "PLAC", "FORM"); }

 private:
  Source& tree_;
  std::string start_;
  std::size_t handed_ = 0;  // of start_
};

}  // namespace platsmarkeraren
