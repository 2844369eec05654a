// One run of the program, from the parsed command line to the exit status.
#pragma once

#include "app/command_line.hpp"

namespace platsmarkeraren {

// Returns the exit status: 0 when every byte was written, 1 otherwise.
int run(const Command& command);

}  // namespace platsmarkeraren
