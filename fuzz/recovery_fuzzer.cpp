// Fuzzes the recovery (-t) with trees built from pieces whose meaning the
// fuzzer knows: a place's MAP right under it with values in form, in
// another program's form, or neither, a
// MAP lacking LATI or LONG, one a level too deep under a custom structure,
// notes of arbitrary bytes, in LF, CR LF or CR line ends, under a tree
// name of arbitrary bytes. The run stops when:
// - the check (-k) finds an error in the tree's blocks appended to an
//   empty coordinate file;
// - a place line, merged alone with those blocks, does not get the values
//   of the first MAP in form that the tree gave it, or gets a block though
//   it had none.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "check/check.hpp"
#include "core/coordinate_value.hpp"
#include "core/line.hpp"
#include "core/memory_stream.hpp"
#include "core/typed_coordinates.hpp"
#include "merge/merge.hpp"
#include "recovery/recovery.hpp"

namespace {

using platsmarkeraren::StringSink;
using platsmarkeraren::StringSource;

constexpr const char* kValues[] = {"N59.5", "S0.25", "N90", "N91.0", "59.5", "N59,5", "E17.5", "W0.0", "W180.0",
                                   "E181.0", "E17", "-17.5", "", " N1.5", "N1.5000001"};

// Bytes for a note: anything but line ends and the place marker, which
// would make lines the fuzzer does not account for.
std::string note_bytes(FuzzedDataProvider& input) {
  std::string bytes = input.ConsumeRandomLengthString(16);
  std::replace_if(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  for (std::size_t at = bytes.find(platsmarkeraren::kPlaceMarker); at != std::string::npos;
       at = bytes.find(platsmarkeraren::kPlaceMarker)) {
    bytes[at + 1] = '_';
  }
  return bytes;
}

// A value as the recovery writes it: in GEDCOM's form, or brought to it
// from another program's; empty when it is neither.
std::string in_form(std::string_view tag, const std::string& value) {
  if (!platsmarkeraren::coordinate_fault(tag, value)) return value;
  return platsmarkeraren::read_typed_value(tag, value).gedcom;
}

struct Built {
  std::string tree;
  std::string line_end;
  // Each place's text, and the values of its first MAP in form; empty
  // values for a place with none.
  std::map<std::string, std::pair<std::string, std::string>> places;
};

Built build_tree(FuzzedDataProvider& input) {
  Built built;
  constexpr const char* kEnds[] = {"\n", "\r\n", "\r"};
  built.line_end = kEnds[input.ConsumeIntegralInRange(0, 2)];
  const auto line = [&](const std::string& text) { built.tree += text + built.line_end; };
  line("0 HEAD");
  const int records = input.ConsumeIntegralInRange(0, 12);
  for (int record = 0; record < records && input.remaining_bytes() > 0; ++record) {
    line("1 EVEN");
    const std::string place = "2 PLAC " + std::string(1, static_cast<char>('A' + input.ConsumeIntegralInRange(0, 4)));
    line(place);
    auto& first_sound = built.places[place];
    const int own = input.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < own; ++i) {
      const std::string latitude = kValues[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kValues) - 1)];
      const std::string longitude = kValues[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kValues) - 1)];
      switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
          line("3 MAP");
          line("4 LATI " + latitude);
          line("4 LONG " + longitude);
          if (first_sound.first.empty() && !in_form("LATI", latitude).empty() && !in_form("LONG", longitude).empty()) {
            first_sound = {in_form("LATI", latitude), in_form("LONG", longitude)};
          }
          break;
        case 1:
          line("3 MAP" + (input.ConsumeBool() ? " " + note_bytes(input) : std::string()));
          line(input.ConsumeBool() ? "4 LATI " + latitude : "4 LONG " + longitude);
          break;
        case 2:
          line("3 _X y");
          line("4 MAP");
          line("5 LATI " + latitude);
          line("5 LONG " + longitude);
          break;
        default:
          line("3 NOTE " + note_bytes(input));
          break;
      }
    }
  }
  line("0 TRLR");
  return built;
}

std::string recovered(const std::string& tree, const std::string& tree_name) {
  StringSource genealogy(tree, 11);
  StringSource coordinates("");
  StringSink out;
  platsmarkeraren::recover_coordinates(genealogy, coordinates, out, {.tree_name = tree_name});
  return out.text;
}

std::string merged(const std::string& tree, const std::string& coordinates) {
  StringSource genealogy(tree);
  StringSource coordinate_file(coordinates);
  StringSink out;
  platsmarkeraren::merge(genealogy, coordinate_file, out);
  return out.text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string tree_name = input.ConsumeRandomLengthString(24);
  const Built built = build_tree(input);
  const std::string blocks = recovered(built.tree, tree_name);

  StringSource tree_source(built.tree);
  StringSource coordinate_source(blocks);
  StringSink findings;
  if (platsmarkeraren::check_coordinate_file(tree_source, "t", coordinate_source, "k", findings).errors != 0) std::abort();

  for (const auto& [place, values] : built.places) {
    const std::string& end = built.line_end;
    const std::string alone = merged(place + end, blocks);
    const std::string expected = values.first.empty() ? place + end
                                                      : place + end + "3 MAP" + end + "4 LATI " + values.first + end +
                                                            "4 LONG " + values.second + end;
    if (alone.compare(0, expected.size(), expected) != 0) std::abort();
    if (values.first.empty() && alone.size() != expected.size()) std::abort();
  }
  return 0;
}
