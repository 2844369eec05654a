#include "merge/merge.hpp"

#include "merge/coordinate_index.hpp"
#include "merge/genealogy_scanner.hpp"
#include "merge/line.hpp"
#include "merge/output_buffer.hpp"

namespace platsmarkeraren {

namespace {

class Merger final : public GenealogyVisitor {
 public:
  Merger(const CoordinateIndex& index, OutputBuffer& out) : index_(index), out_(out) {}

  void copy(std::string_view bytes) override { out_.write(bytes); }

  void place_line(std::string_view line) override {
    out_.write(line);
    index_.write_block(Line::split(line), out_);
  }

 private:
  const CoordinateIndex& index_;
  OutputBuffer& out_;
};

}  // namespace

void merge(Source& genealogy, Source& coordinates, Sink& output) {
  const CoordinateIndex index(read_all(coordinates));
  OutputBuffer out(output);
  Merger merger(index, out);
  // One byte more than the longest twin leaves room for a CR before the LF.
  GenealogyScanner(genealogy, index.longest_twin() + 1).scan(merger);
  out.flush();
}

}  // namespace platsmarkeraren
