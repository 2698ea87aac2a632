#pragma once
// The command line: `tessaly SUBCOMMAND …`. Each subcommand lives in its own
// file and is listed in command_line.cpp.

#include <iosfwd>

namespace tessaly {

// Runs the subcommand named by argv[1]; returns the process's exit status.
int runCommandLine(int argc, char** argv);

}  // namespace tessaly
