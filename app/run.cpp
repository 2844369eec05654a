#include "app/run.hpp"

#include <cstdio>
#include <exception>
#include <string>
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

// Refused before utfil is opened, since opening it empties it.
void refuse_overwriting_input(const Command& command) {
  const std::string& output = command.files[2];
  for (std::size_t input = 0; input < 2; ++input) {
    if (!same_file(output, command.files[input])) continue;
    const char* const argument = input == 0 ? "infil" : "koordinatfil";
    throw RunError(describe("utfil", output) + " är samma fil som " +
                   describe(argument, command.files[input]) + "; inget har skrivits");
  }
}

// Opens in the order infil, koordinatfil, utfil, so that utfil is neither
// created nor emptied when an input cannot be opened; closes in the same order.
void run_files(const Command& command) {
  InputFile genealogy("infil", command.files[0]);
  InputFile coordinates("koordinatfil", command.files[1]);
  const bool to_file = command.action == Action::merge && !command.redirect;
  if (to_file) refuse_overwriting_input(command);
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
