#include "app/run.hpp"

#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>
#include <string_view>

#include "app/file.hpp"
#include "messages/messages.hpp"
#include "app/platform.hpp"
#include "app/progress.hpp"
#include "app/texts.hpp"
#include "app/tree_input.hpp"
#include "check/check.hpp"
#include "gazetteer/gazetteer.hpp"
#include "gazetteer/gazetteer_file.hpp"
#include "core/missing_places.hpp"
#include "merge/merge.hpp"
#include "recovery/recovery.hpp"

namespace platsmarkeraren {

namespace {

void write_to_standard_error(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }

void report(std::string_view message) {
  std::string line = "Platsmarkeraren: ";
  line.append(message).append("\n");
  write_to_standard_error(line);
}

[[noreturn]] void refuse(const std::string& output, std::string_view argument,
                         const std::string& input) {
  throw RunError(output + " är samma fil som " + describe(argument, input) +
                 "; inget har skrivits");
}

// Whether utfil is an input under another name; see run_files for when.
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

// A file name as the user could type it again in a shell.
std::string typed(const std::string& name) {
  const std::string shown = printable(name);
  return shown.find_first_of(" \t'\"") == std::string::npos ? shown : '"' + shown + '"';
}

// One line that counts what the inserted blocks did to the tree, with the
// command that shows where.
std::string warning_for(const MergeReport& report, const Command& command) {
  return merge_warning(report) + ". Se var med: platsmarkeraren -k " + typed(command.files[0]) + " " + typed(command.files[1]);
}

// How the work on the files ended, when it did not fail.
struct Outcome {
  int status = 0;
  std::vector<std::string> warnings;  // for standard error once the files are closed
};

// Memory that runs out while the gazetteer is read names it, while it is
// still open.
template <typename Work>
auto naming_what_is_read(Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    throw RunError(out_of_memory(reading_now()));
  }
}

// The warnings of a run that read a gazetteer: rows passed over, and an
// encoding of the tree not read.
void add_gazetteer_warnings(const GazetteerCounts& passed_over, const std::string& gazetteer_description,
                            const Command& command, Outcome& outcome) {
  for (std::string& warning :
       gazetteer_warnings(passed_over, gazetteer_description, describe("infil", command.files[0]))) {
    outcome.warnings.push_back(std::move(warning));
  }
}

// Drafts blocks from the built-in parish register and the gazetteer, when
// one is given; it is read last.
Outcome write_draft(const Command& command, Source& genealogy, Source& coordinates, Sink& output) {
  DraftOptions options;
  options.appending = standard_output_is(command.files[1]);
  if (command.files.size() == 2) {
    draft_coordinates(genealogy, coordinates, nullptr, {}, output, options);
    return {};
  }
  const std::string described = describe("ortregister", command.files[2]);
  InputFile file("ortregister", command.files[2]);
  Progress progress(described, file.size_hint());
  const DraftCounts counts = naming_what_is_read([&] {
    GazetteerFile gazetteer(file, described);
    // Progress counts the file's own bytes, however much an archive inflates to.
    options.progress = [&](std::size_t) { progress(gazetteer.consumed()); };
    return draft_coordinates(genealogy, coordinates, &gazetteer, described, output, options);
  });
  file.close();
  Outcome outcome;
  add_gazetteer_warnings(counts.passed_over, described, command, outcome);
  return outcome;
}

// The check's findings are its output; errors among them fail the run. A
// gazetteer, when given, is read last.
Outcome write_check(const Command& command, TreeInput& tree, Source& coordinates, Sink& output) {
  const auto check = [&](const CheckOptions& options) {
    return check_coordinate_file(tree.tree(), printable(tree.lines_name()), coordinates, printable(command.files[1]),
                                 output, options);
  };
  if (command.files.size() == 2) return {check({}).errors == 0 ? 0 : 1, {}};
  const std::string described = describe("ortregister", command.files[2]);
  InputFile file("ortregister", command.files[2]);
  Progress progress(described, file.size_hint());
  const CheckCounts counts = naming_what_is_read([&] {
    GazetteerFile gazetteer(file, described);
    CheckOptions options{.gazetteer = &gazetteer, .gazetteer_name = described};
    options.progress = [&](std::size_t) { progress(gazetteer.consumed()); };
    return check(options);
  });
  file.close();
  Outcome outcome{counts.errors == 0 ? 0 : 1, {}};
  add_gazetteer_warnings(counts.passed_over, described, command, outcome);
  return outcome;
}

// The merge of a GEDZIP archive into utfil writes an archive around the
// new tree; standard output (-r) takes the tree's lines alone.
MergeReport write_merge(const Command& command, TreeInput& tree, Source& coordinates, OutputFile& output) {
  const MergeOptions options{.keep_existing_maps = command.keep_existing_maps};
  if (!tree.archived() || command.redirect) return merge(tree.tree(), coordinates, output, options);
  MergeReport made;
  tree.write_archive(output, [&](Sink& new_tree) { made = merge(tree.tree(), coordinates, new_tree, options); });
  return made;
}

Outcome work(const Command& command, TreeInput& tree, InputFile& coordinates, OutputFile& output) {
  Source& genealogy = tree.tree();
  if (command.action == Action::draft) return write_draft(command, genealogy, coordinates, output);
  if (command.action == Action::recover) {
    recover_coordinates(genealogy, coordinates, output,
                        {.tree_name = tree.lines_name(), .appending = standard_output_is(command.files[1])});
    return {};
  }
  if (command.action == Action::list) {
    // Appended to the coordinate file, the list must not run on from its
    // last line.
    list_missing_places(genealogy, coordinates, output, {.appending = standard_output_is(command.files[1])});
    return {};
  }
  if (command.action == Action::check) return write_check(command, tree, coordinates, output);
  const MergeReport made = write_merge(command, tree, coordinates, output);
  if (made.clean()) return {};
  return {0, {warning_for(made, command)}};
}

// A failure for want of memory names what was being read: the coordinate
// file while it is indexed, the genealogy file after. A file too large for
// the program names the file it is about.
template <typename Work>
auto told_in_one_line(const Command& command, Work work) {
  try {
    return work();
  } catch (const std::exception& error) {
    throw RunError(message_for(error, describe("infil", command.files[0]), describe("koordinatfil", command.files[1]),
                               reading_now()));
  }
}

// The guards come before anything is opened: opening a pipe for reading
// waits for its writer, and opening utfil starts its replacement. Files
// open in the order infil, koordinatfil, utfil, so that nothing is created
// when an input cannot be opened, and close in the same order; utfil takes
// its new content only as it closes.
int run_files(const Command& command, bool standard_output_open) {
  const bool to_file = command.action == Action::merge && !command.redirect;
  if (to_file) {
    refuse_overwriting_input(command);
  } else {
    refuse_appending_to_genealogy_file(command);
  }
  InputFile genealogy("infil", command.files[0]);
  InputFile coordinates("koordinatfil", command.files[1]);
  // An archive read from a pipe is held in memory, which may run out.
  std::optional<TreeInput> tree;
  told_in_one_line(command, [&] { tree.emplace(genealogy, command.files[0]); });
  OutputFile output = to_file ? OutputFile(command.files[2]) : OutputFile(standard_output_open);
  Outcome outcome = told_in_one_line(command, [&] { return work(command, *tree, coordinates, output); });
  genealogy.close();
  coordinates.close();
  output.close();
  if (std::optional<std::string> warning = tree->warning()) outcome.warnings.insert(outcome.warnings.begin(), *warning);
  for (const std::string& warning : outcome.warnings) report(warning);
  return outcome.status;
}

}  // namespace

int run(const Command& command, bool standard_output_open) {
  switch (command.action) {
    case Action::show_usage:
      write_to_standard_error(kUsageText);
      return 0;
    case Action::show_version:
      write_to_standard_error(kVersionText);
      return 0;
    case Action::wrong_count:
      write_to_standard_error(kUsageText);
      return 1;
    case Action::merge:
    case Action::list:
    case Action::check:
    case Action::draft:
    case Action::recover:
      break;
  }
  try {
    return run_files(command, standard_output_open);
  } catch (const std::exception& error) {
    report(error.what());
    return 1;
  }
}

}  // namespace platsmarkeraren
