// The few things that differ between systems: how a file name from the
// command line is opened, and how standard output is made to carry bytes
// unchanged.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platsmarkeraren {

// Opens `name` (as given on the command line) in binary mode "rb" or "wb".
std::FILE* open_file(const std::string& name, const char* mode);

// Standard output in binary mode: line ends go out as the merge wrote them.
std::FILE* binary_standard_output();

// The size of the regular file `name`, or 0 (a pipe, a device).
std::size_t file_size(const std::string& name);

// True when both names lead to one file (the same path, a link to it, another
// spelling). False when either does not exist.
bool same_file(const std::string& a, const std::string& b);

}  // namespace platsmarkeraren
