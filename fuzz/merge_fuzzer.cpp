// Fuzzes the merge and the list of missing places against the naive model:
// the input is split into a read size, whether existing maps are kept, a
// number of workers, whether the list is appended to the coordinate file, a
// coordinate file and a genealogy file, and any difference from the model,
// in the output or in the report, stops the fuzzer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/memory_stream.hpp"
#include "core/missing_places.hpp"
#include "merge/merge.hpp"
#include "fuzz/naive_model.hpp"

using platsmarkeraren::run_in_memory;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::size_t longest_read = input.ConsumeIntegralInRange<std::size_t>(1, 4096);
  const platsmarkeraren::MergeOptions options = {.keep_existing_maps = input.ConsumeBool(),
                                                 .workers = input.ConsumeIntegralInRange<unsigned>(1, 3)};
  const bool appending = input.ConsumeBool();
  const std::string coordinates = input.ConsumeRandomLengthString();
  const std::string genealogy = input.ConsumeRemainingBytesAsString();
  namespace naive = platsmarkeraren::naive;
  platsmarkeraren::MergeReport report;
  const auto merge_with_options = [&](platsmarkeraren::Source& genealogy_source,
                                      platsmarkeraren::Source& coordinate_source, platsmarkeraren::Sink& output) {
    report = platsmarkeraren::merge(genealogy_source, coordinate_source, output, options);
  };
  platsmarkeraren::MergeReport expected_report;
  if (run_in_memory(merge_with_options, genealogy, coordinates, longest_read) !=
          naive::merge(genealogy, coordinates, options, &expected_report) ||
      report != expected_report) {
    std::abort();
  }
  // cppcheck-suppress constParameter ; the streams are read and written
  const auto list = [&](platsmarkeraren::Source& genealogy_source, platsmarkeraren::Source& coordinate_source,
                        platsmarkeraren::Sink& output) {  // cppcheck-suppress constParameter
    platsmarkeraren::list_missing_places(genealogy_source, coordinate_source, output,
                                         {.appending = appending});
  };
  if (run_in_memory(list, genealogy, coordinates, longest_read) !=
      naive::missing_places(genealogy, coordinates, appending)) {
    std::abort();
  }
  return 0;
}
