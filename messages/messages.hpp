// The messages that both front ends give alike, the command line and the
// page in the browser: how a file is named, and what a run found wrong with
// its files. Each is one line, in Swedish.
#pragma once

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/printable.hpp"
#include "core/reports.hpp"

namespace platsmarkeraren {

// How messages name a file: the argument, then the name, e.g. infil "släkt.ged".
std::string describe(std::string_view argument, std::string_view name);

// How many of a file's first bytes tell whether it was saved as UTF-16; the
// first read of a file must hand over this many, or the whole file if shorter.
inline constexpr std::size_t kUtf16Evidence = 16;

// The refusal of an input saved as UTF-16, which would merge nothing, when
// `start` (the first bytes of the file described) shows its byte-order mark,
// or zero bytes alternating with others.
std::optional<std::string> utf16_refusal(std::string_view start, std::string_view description);

// What the inserted blocks did to the tree, counted; the caller adds how to
// see where.
std::string merge_warning(const MergeReport& report);

// The warnings of a run that read a gazetteer, the drafts' or the audit's:
// rows whose coordinates could not be read, and a tree whose header names
// an encoding that is not read here, whose places are matched as the bytes
// they are.
std::vector<std::string> gazetteer_warnings(const GazetteerCounts& passed_over, std::string_view gazetteer_description,
                                            std::string_view genealogy_description);

// Memory ran out while `reading` (a file's description, or empty) was read.
std::string out_of_memory(std::string_view reading);

// The one line that tells of a failure, whatever threw it: a file too
// large for the program names that file (`genealogy` and `coordinates` as
// messages describe them), memory running out names what was being read,
// and anything else says its own words.
std::string message_for(const std::exception& error, std::string_view genealogy, std::string_view coordinates,
                        std::string_view reading);

}  // namespace platsmarkeraren
