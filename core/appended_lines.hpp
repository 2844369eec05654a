// The lines that the drafts and the recovery write to be put after the
// coordinate file's end: bytes as they stand (a place line, a block's
// lines), or text of the program's own in UTF-8 brought to the tree's
// encoding, each with the one line end they all share; and the notes,
// lines that begin with #, which a merge never takes for a place line.
#pragma once

#include <string>
#include <string_view>

#include "core/line.hpp"
#include "core/printable.hpp"
#include "core/stream.hpp"
#include "core/tree_encoding.hpp"

namespace platsmarkeraren {

class AppendedLines {
 public:
  AppendedLines(TreeEncoding encoding, std::string_view line_end, Sink& out)
      : encoding_(encoding), line_end_(line_end), out_(out) {}

  void raw_line(std::string_view bytes) {
    out_.write(bytes);
    out_.write(line_end_);
  }
  void line(std::string_view utf8) { raw_line(encode(utf8, encoding_)); }

  // An empty note, then the note "# <place>: <what>", the place as the
  // tree's bytes spell it, its control bytes escaped as in every note.
  void place_note(std::string_view place_line, std::string_view what) {
    line("#");
    out_.write(encode("# ", encoding_));
    out_.write(note_text(place_value(place_line)));
    line(": " + std::string(what));
  }

  // Text from outside the program, a gazetteer's or a tree's, as a note
  // holds it: a line end in it would start a line of its own, an escape
  // would command the terminal the lines are shown on, and the place
  // marker would make a note a place line.
  static std::string note_text(std::string_view text) { return without_place_marker(printable(text)); }

  TreeEncoding encoding() const { return encoding_; }

 private:
  TreeEncoding encoding_;
  std::string_view line_end_;
  Sink& out_;
};

}  // namespace platsmarkeraren
