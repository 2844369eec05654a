// Fuzzes the drafts (-g) and the check (-k) with a tree, a coordinate file
// and a gazetteer made from the fuzzer's bytes. The gazetteer's rows are
// built column by column, so that most of them are read as rows and their
// names, codes and coordinates reach the drafts; any of them may hold
// tabs, line ends and control bytes all the same. The gazetteer comes as
// downloaded: plain, gzipped with a byte of the fuzzer's changed, or an
// archive's signature before the fuzzer's bytes. The run stops when:
// - a draft or check fails other than with a message (std::runtime_error);
// - a draft's line of a candidate, or its note naming a block's source,
//   holds a control byte or the place marker;
// - the check's output holds a control byte other than its line ends, or
//   a line other than its findings and the count.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "check/check.hpp"
#include "gazetteer/gazetteer.hpp"
#include "gazetteer/gazetteer_file.hpp"
#include "core/test_files.hpp"
#include "core/line.hpp"
#include "core/memory_stream.hpp"

namespace {

using platsmarkeraren::StringSink;
using platsmarkeraren::StringSource;

std::string gazetteer_of(FuzzedDataProvider& input) {
  static constexpr const char* kCodes[] = {"PPL", "PPLA", "PRSH", "CH", "ADM2", "ADM1", "PCLI", "HTL"};
  std::string rows;
  const int count = input.ConsumeIntegralInRange(0, 24);
  for (int i = 0; i < count; ++i) {
    const std::string name = input.ConsumeRandomLengthString(24);
    rows += input.ConsumeRandomLengthString(8) + '\t' + name + '\t' + input.ConsumeRandomLengthString(24) + '\t' +
            input.ConsumeRandomLengthString(48) + '\t' + std::to_string(input.ConsumeFloatingPointInRange(-91.0, 91.0)) +
            '\t' + std::to_string(input.ConsumeFloatingPointInRange(-181.0, 181.0)) + "\tP\t" +
            kCodes[input.ConsumeIntegralInRange(0, 7)] + '\t' + input.ConsumeRandomLengthString(3) + "\t\t" +
            input.ConsumeRandomLengthString(3) + "\t\t\t\t0\t\t0\tEurope/Stockholm\t2024-01-01\n";
  }
  return rows;
}

// The rows as a file may come: plain, gzipped and damaged in one byte, or
// the fuzzer's own bytes after a zip's or a gzip's signature.
std::string as_downloaded(const std::string& rows, FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 1: {
      std::string file = platsmarkeraren::test_files::deflated(rows, 31);
      const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, file.size() - 1);
      file[at] = static_cast<char>(file[at] ^ input.ConsumeIntegralInRange(0, 255));
      return file;
    }
    case 2:
      return std::string("PK\x03\x04", 4) + input.ConsumeRandomLengthString(256);
    case 3:
      return "\x1f\x8b" + input.ConsumeRandomLengthString(256);
    default:
      return rows;
  }
}

bool has_control_byte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// A candidate's line of a note: "#   <description>: <coordinates> (GeoNames
// <id>)". A note's first line names the tree's place and ends with why, and
// the tree's own bytes may be anything.
bool is_candidate_line(std::string_view line) { return line.starts_with("#   ") && line.ends_with(")"); }

// `coordinates` may hold lines of its own that its shape keeps in every
// drafted block; only a draft for a file without GeoNames notes of its own
// tells the block's source note apart.
void check_draft(const std::string& draft, const std::string& coordinates) {
  const bool own_notes = coordinates.find("GeoNames") != std::string::npos;
  // The draft ends its lines at LF or CR; either splits it finely enough.
  for (std::size_t at = 0; at < draft.size();) {
    const std::size_t end = std::min(draft.find_first_of("\r\n", at), draft.size());
    const std::string_view line(draft.data() + at, end - at);
    at = end + 1;
    const bool from_gazetteer = is_candidate_line(line) || (!own_notes && line.starts_with("3 NOTE GeoNames "));
    if (from_gazetteer && (has_control_byte(line) || line.find(platsmarkeraren::kPlaceMarker) != std::string_view::npos)) {
      std::abort();
    }
  }
}

void check_findings(const std::string& output, const platsmarkeraren::CheckCounts& counts) {
  std::size_t lines = 0;
  for (std::size_t at = 0; at < output.size(); ++lines) {
    const std::size_t end = output.find('\n', at);
    if (end == std::string::npos || has_control_byte(std::string_view(output).substr(at, end - at))) std::abort();
    at = end + 1;
  }
  const std::size_t findings = counts.errors + counts.warnings;
  if (lines != (findings == 0 ? 0 : findings + 1)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string rows = gazetteer_of(input);
  const std::string gazetteer = as_downloaded(rows, input);
  const std::string coordinates = input.ConsumeRandomLengthString();
  const std::string tree = input.ConsumeRemainingBytesAsString();
  std::string draft;
  try {
    StringSource tree_source(tree, 7);
    StringSource coordinate_source(coordinates);
    StringSource gazetteer_source(gazetteer, 100);
    platsmarkeraren::GazetteerFile downloaded(gazetteer_source, "o");
    StringSink out;
    platsmarkeraren::draft_coordinates(tree_source, coordinate_source, &downloaded, "o", out);
    draft = std::move(out.text);
  } catch (const std::runtime_error&) {
    // A gazetteer that is none is refused with a message.
  }
  check_draft(draft, coordinates);
  const std::string appended = coordinates + draft;
  StringSource tree_source(tree);
  StringSource coordinate_source(appended);
  StringSink out;
  check_findings(out.text, platsmarkeraren::check_coordinate_file(tree_source, "t", coordinate_source, "k", out));
  return 0;
}
