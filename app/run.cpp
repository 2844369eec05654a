#include "app/run.hpp"

#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <string_view>

#include "app/file.hpp"
#include "app/platform.hpp"
#include "app/texts.hpp"
#include "merge/merge.hpp"
#include "merge/missing_places.hpp"

namespace platsmarkeraren {

namespace {

void write_text(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }

void report(std::string_view message) {
  std::string line = "Platsmarkeraren: ";
  line.append(message).append("\n");
  write_text(line);
}

[[noreturn]] void refuse(const std::string& output, std::string_view argument,
                         const std::string& input) {
  throw RunError(output + " är samma fil som " + describe(argument, input) +
                 "; inget har skrivits");
}

// Refused before utfil is opened, since opening it empties it.
void refuse_overwriting_input(const Command& command) {
  const std::string& output = command.files[2];
  for (const auto& [argument, input] : {std::pair{"infil", 0}, std::pair{"koordinatfil", 1}}) {
    const std::string& name = command.files[input];
    if (same_file(output, name)) refuse(describe("utfil", output), argument, name);
  }
}

// Output appended to the genealogy file would be read again, and merged
// again, until the disk is full. The coordinate file is read whole before
// anything is written, so appending the list of missing places to it is safe.
void refuse_appending_to_genealogy_file(const Command& command) {
  if (standard_output_is(command.files[0])) refuse("stdout", "infil", command.files[0]);
}

// Opens in the order infil, koordinatfil, utfil, so that utfil is neither
// created nor emptied when an input cannot be opened; closes in the same order.
void run_files(const Command& command) {
  InputFile genealogy("infil", command.files[0]);
  InputFile coordinates("koordinatfil", command.files[1]);
  const bool to_file = command.action == Action::merge && !command.redirect;
  if (to_file) {
    refuse_overwriting_input(command);
  } else {
    refuse_appending_to_genealogy_file(command);
  }
  OutputFile output = to_file ? OutputFile(command.files[2]) : OutputFile();
  if (command.action == Action::list) {
    list_missing_places(genealogy, coordinates, output);
  } else {
    merge(genealogy, coordinates, output);
  }
  genealogy.close();
  coordinates.close();
  output.close();
}

}  // namespace

int run(const Command& command) {
  switch (command.action) {
    case Action::show_usage:
      write_text(kUsageText);
      return 0;
    case Action::show_version:
      write_text(kVersionText);
      return 0;
    case Action::wrong_count:
      write_text(kUsageText);
      return 1;
    case Action::merge:
    case Action::list:
      break;
  }
  try {
    run_files(command);
    return 0;
  } catch (const std::exception& error) {
    report(error.what());
    return 1;
  }
}

}  // namespace platsmarkeraren
