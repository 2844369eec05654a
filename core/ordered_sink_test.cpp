#include "core/ordered_sink.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/memory_stream.hpp"

namespace platsmarkeraren {
namespace {

OrderedSink::Buffer piece(std::string& text, std::size_t stretch, std::size_t part, bool last) {
  OrderedSink::Buffer buffer;
  buffer.data = text.data();
  buffer.used = text.size();
  buffer.stretch = stretch;
  buffer.part = part;
  buffer.last = last;
  return buffer;
}

TEST(OrderedSink, WritesPiecesInTheOrderOfTheirStretchesAndParts) {
  StringSink out;
  OrderedSink ordered(out);
  std::string texts[] = {"c", "a1", "a2", "b"};
  OrderedSink::Buffer buffers[] = {piece(texts[0], 2, 0, true), piece(texts[1], 0, 0, false),
                                   piece(texts[2], 0, 1, true), piece(texts[3], 1, 0, true)};
  ordered.hand_over(buffers[0]);
  ordered.hand_over(buffers[2]);
  EXPECT_EQ(out.text, "");  // both wait for the first part of stretch 0
  ordered.hand_over(buffers[1]);
  EXPECT_EQ(out.text, "a1a2");
  ordered.hand_over(buffers[3]);
  EXPECT_EQ(out.text, "a1a2bc");
  ordered.wait_until_written(buffers);
  EXPECT_EQ(&ordered.free_one(buffers), &buffers[0]);
}

TEST(OrderedSink, AFailedWriteStopsEveryWorkerOnce) {
  class FailingSink final : public Sink {
   public:
    void write(std::string_view) override { throw std::runtime_error("full"); }
  } failing;
  OrderedSink ordered(failing);
  std::string texts[] = {"b", "a"};
  OrderedSink::Buffer waiting[] = {piece(texts[0], 1, 0, true)};
  OrderedSink::Buffer first[] = {piece(texts[1], 0, 0, true)};
  ordered.hand_over(waiting[0]);
  EXPECT_THROW(ordered.hand_over(first[0]), std::runtime_error);
  // The workers that wait learn that the writing has stopped, and give up
  // their buffers; nothing more is written.
  EXPECT_THROW(ordered.free_one(waiting), WorkStopped);
  ordered.wait_until_written(waiting);
  EXPECT_FALSE(waiting[0].handed_over);
  EXPECT_THROW(ordered.hand_over(first[0]), WorkStopped);
}

}  // namespace
}  // namespace platsmarkeraren
