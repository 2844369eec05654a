#include "merge/output_buffer.hpp"

namespace platsmarkeraren {

OutputBuffer::OutputBuffer(Sink& sink)
    : sink_(sink), buffer_(std::make_unique_for_overwrite<char[]>(kCapacity)) {}

void OutputBuffer::flush() {
  if (used_ == 0) return;
  sink_.write({buffer_.get(), used_});
  used_ = 0;
}

void OutputBuffer::write_past_end(std::string_view bytes) {
  flush();
  if (bytes.size() >= kCapacity) {
    sink_.write(bytes);  // a long run of the genealogy file goes out uncopied
  } else {
    write(bytes);
  }
}

}  // namespace platsmarkeraren
