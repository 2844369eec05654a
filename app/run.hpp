// One run of the program, from the parsed command line to the exit status.
#pragma once

#include "app/command_line.hpp"

namespace platsmarkeraren {

// Returns the exit status: 0 when every byte was written, 1 otherwise.
// `standard_output_open` is false when the program was started without one.
int run(const Command& command, bool standard_output_open);

}  // namespace platsmarkeraren
