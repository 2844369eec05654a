// How a genealogy file spells letters in bytes, as its header's "1 CHAR"
// line tells. Names are decoded only to be matched: a drafted place line is
// always the tree's own bytes.
#pragma once

#include <string>
#include <string_view>

namespace platsmarkeraren {

enum class TreeEncoding {
  utf8,         // UTF-8, and a tree that names none
  ascii,        // read as UTF-8 in case it holds more than it says
  windows1252,  // ANSI
  ansel,        // a combining mark stands before its letter
  unread,       // one not read here (MACINTOSH, IBMPC): bytes stand as they are
};

// The encoding named by the header at the start of a tree. A UTF-8 byte
// order mark, or no CHAR line, means UTF-8.
TreeEncoding tree_encoding(std::string_view start);

// The name the header's CHAR line gives, without the blanks around it;
// empty when there is none.
std::string_view encoding_name(std::string_view start);

// The text in UTF-8; the bytes as they are for an encoding not read.
std::string decode(std::string_view bytes, TreeEncoding encoding);

// UTF-8 text in the tree's encoding, for notes beside its place lines; a
// letter the encoding lacks is written in its plain ASCII spelling.
std::string encode(std::string_view utf8, TreeEncoding encoding);

}  // namespace platsmarkeraren
