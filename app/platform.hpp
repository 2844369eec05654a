// The few things that differ between systems: the command line's encoding,
// the console, how a file name is opened, how standard output is made to
// carry bytes unchanged, how a file is replaced in one step, and how two
// names are told to be one file. File names are UTF-8 on Windows, and bytes
// as the system gives them elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platsmarkeraren {

#if defined(_WIN32)
// The wide arguments of wmain as UTF-8, program name first.
std::vector<std::string> utf8_arguments(int argc, wchar_t** argv);
#endif

// Makes a console show the UTF-8 of messages as the letters they are, and
// fills a closed standard stream with a harmless one, so that no file the
// run opens takes its place. Returns false when standard output was closed.
bool prepare_console();

// Whether standard error shows on a terminal, where a line can be
// rewritten in place.
bool standard_error_is_terminal();

// Opens `name` (as given on the command line) in binary mode "rb" or "wb".
std::FILE* open_file(const std::string& name, const char* mode);

// Standard output in binary mode: line ends go out as the merge wrote them.
std::FILE* binary_standard_output();

// Moves `stream` to `offset` bytes from its start, past 2 GiB too. False on
// failure, with errno set.
bool seek_file(std::FILE* stream, std::uint64_t offset);

// The size of the regular file `name`, or 0 (a pipe, a device).
std::size_t file_size(const std::string& name);

// True when both names lead to one file of any kind (the same path, a link
// to it, another spelling, the same pipe). False when either does not exist.
bool same_file(const std::string& a, const std::string& b);

// True when standard output is the file `name` (a shell's >> onto it).
// Always false where the system cannot tell.
bool standard_output_is(const std::string& name);

// The file that writing to `name` changes: where its symbolic links lead,
// or `name` itself.
std::string link_target(const std::string& name);

// True when `name` is a regular file or does not exist yet: such a file is
// written under another name beside it and then put in its place.
bool replaceable(const std::string& name);

// Creates an empty file that no other run uses, in the folder of `target`,
// with the permissions that `target` has (or that a new file would get), and
// opens it in mode "wb". Its name goes to `name`. nullptr on failure, with
// errno set.
std::FILE* create_beside(const std::string& target, std::string& name);

// Puts the file `from` in the place of `to` in one step. False on failure,
// with errno set.
bool replace_file(const std::string& from, const std::string& to);

void remove_file(const std::string& name);

// Until forget_on_signal, an interrupt (Ctrl-C), SIGTERM or SIGHUP removes
// the file `name` before the program ends as the signal ends it.
void remove_on_signal(const std::string& name);
void forget_on_signal();

}  // namespace platsmarkeraren
