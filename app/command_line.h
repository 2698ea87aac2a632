#pragma once
// The command line: `tessaly SUBCOMMAND …`. Each subcommand lives in its own
// file and is listed in command_line.cpp.

#include <vector>

#include "app/subcommands.h"

namespace tessaly {

struct Subcommand {
    const char* name;
    int (*run)(const Arguments&);
    const char* summary;
};

// Tessaly's subcommands, in the order the usage lists them.
const std::vector<Subcommand>& tessalySubcommands();

// Runs the subcommand named by argv[1]; returns the process's exit status.
// Whatever a subcommand throws is printed as "tessaly: <cause>" with status 1,
// never left to end the program.
int runCommandLine(int argc, char** argv, const std::vector<Subcommand>& subcommands = tessalySubcommands());

}  // namespace tessaly
