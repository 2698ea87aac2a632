#include "app/command_line.h"

#include <iostream>
#include <string>
#include <vector>

#include "app/subcommands.h"

namespace tessaly {

namespace {

struct Subcommand {
    const char* name;
    int (*run)(const Arguments&);
    const char* summary;
};

const std::vector<Subcommand> kSubcommands = {
    {"convert", convertCommand, "convert vCard files into a worksheet (.xls)"},
    {"cards", cardsCommand, "print the contact record of every card of vCard files"},
    {"verify-pst", verifyPstCommand, "check a .pst file against the format's rules"},
};

void printUsage(std::ostream& out) {
    out << "usage: tessaly SUBCOMMAND [ARGUMENTS]\n\nsubcommands:\n";
    for (const Subcommand& command : kSubcommands) {
        const std::string name = command.name;
        out << "  " << name << std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') << command.summary << '\n';
    }
    out << "\n'tessaly SUBCOMMAND --help' describes each one.\n";
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    if (argc < 2) {
        printUsage(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(std::cout);
        return 0;
    }
    for (const Subcommand& command : kSubcommands) {
        if (name == command.name)
            return command.run(Arguments(argv + 2, argv + argc));
    }
    std::cerr << "tessaly: unknown subcommand '" << name << "'\n";
    printUsage(std::cerr);
    return 2;
}

}  // namespace tessaly
