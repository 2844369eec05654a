// The merge on in-memory data, so a change can be measured without the disk.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "bench/data_generator.hpp"
#include "core/memory_stream.hpp"
#include "merge/merge.hpp"

namespace platsmarkeraren::bench {
namespace {

// Counts what it is given and throws it away: the benchmark measures the
// merge, not the growth of a string.
class DiscardingSink final : public Sink {
 public:
  void write(std::string_view bytes) override { written += bytes.size(); }
  std::size_t written = 0;
};

void BM_Merge(benchmark::State& state) {
  DataSize size;
  size.persons = static_cast<std::size_t>(state.range(0));
  size.places = static_cast<std::size_t>(state.range(1));
  size.decoys_per_place = static_cast<std::size_t>(state.range(2));
  const std::string genealogy = genealogy_file(size);
  const std::string coordinates = coordinate_file(size);
  std::size_t written = 0;
  for (auto _ : state) {
    StringSource genealogy_source(genealogy);
    StringSource coordinate_source(coordinates);
    DiscardingSink output;
    merge(genealogy_source, coordinate_source, output);
    written = output.written;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
  state.counters["output_MB"] = static_cast<double>(written) / 1e6;
}

BENCHMARK(BM_Merge)
    ->ArgNames({"persons", "places", "decoys"})
    ->Args({40'000, 20'000, 0})
    ->Args({40'000, 20'000, 9})
    ->Args({40'000, 200, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace platsmarkeraren::bench

BENCHMARK_MAIN();
