// The few things that differ between systems: the command line's encoding,
// the console, how a file name is opened, and how standard output is made to
// carry bytes unchanged. File names are UTF-8 on Windows, and bytes as the
// system gives them elsewhere.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace platsmarkeraren {

#if defined(_WIN32)
// The wide arguments of wmain as UTF-8, program name first.
std::vector<std::string> utf8_arguments(int argc, wchar_t** argv);
#endif

// Makes a console show the UTF-8 of messages as the letters they are.
void prepare_console();

// Opens `name` (as given on the command line) in binary mode "rb" or "wb".
std::FILE* open_file(const std::string& name, const char* mode);

// Standard output in binary mode: line ends go out as the merge wrote them.
std::FILE* binary_standard_output();

// The size of the regular file `name`, or 0 (a pipe, a device).
std::size_t file_size(const std::string& name);

// True when both names lead to one file (the same path, a link to it, another
// spelling). False when either does not exist.
bool same_file(const std::string& a, const std::string& b);

// True when standard output is the file `name` (a shell's >> onto it).
// Always false where the system cannot tell.
bool standard_output_is(const std::string& name);

}  // namespace platsmarkeraren
