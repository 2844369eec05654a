// Fuzzes the merge and the list of missing places against the naive model:
// the input is split into a read size, a number of workers, a coordinate
// file and a genealogy file, and any difference from the model stops the
// fuzzer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "merge/memory_stream.hpp"
#include "merge/merge.hpp"
#include "merge/missing_places.hpp"
#include "merge/naive_model.hpp"

using platsmarkeraren::run_in_memory;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::size_t longest_read = input.ConsumeIntegralInRange<std::size_t>(1, 4096);
  const unsigned workers = input.ConsumeIntegralInRange<unsigned>(1, 3);
  const std::string coordinates = input.ConsumeRandomLengthString();
  const std::string genealogy = input.ConsumeRemainingBytesAsString();
  namespace naive = platsmarkeraren::naive;
  const auto merge_by_workers = [workers](platsmarkeraren::Source& genealogy_source,
                                          platsmarkeraren::Source& coordinate_source,
                                          platsmarkeraren::Sink& output) {
    platsmarkeraren::merge(genealogy_source, coordinate_source, output, workers);
  };
  if (run_in_memory(merge_by_workers, genealogy, coordinates, longest_read) !=
      naive::merge(genealogy, coordinates)) {
    std::abort();
  }
  if (run_in_memory(platsmarkeraren::list_missing_places, genealogy, coordinates, longest_read) !=
      naive::missing_places(genealogy, coordinates)) {
    std::abort();
  }
  return 0;
}
