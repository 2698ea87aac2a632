#include "app/command_line.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "3.7"
#endif

#include <exception>
#include <iostream>
#include <new>
#include <string>

#include "app/terminal_text.h"

namespace tessaly {

namespace {

void printUsage(std::ostream& out, const std::vector<Subcommand>& subcommands) {
    out << "usage: tessaly [FILE.vcf | FOLDER]         the window (with a display)\n"
           "       tessaly SUBCOMMAND [ARGUMENTS]\n"
           "       tessaly --version\n\nsubcommands:\n";
    for (const Subcommand& command : subcommands) {
        const std::string name = command.name;
        out << "  " << name << std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') << command.summary << '\n';
    }
    out << "\n'tessaly SUBCOMMAND --help' describes each one.\n";
}

}  // namespace

const std::vector<Subcommand>& tessalySubcommands() {
    static const std::vector<Subcommand> subcommands = {
        {"convert", convertCommand, "convert vCard files into a worksheet (.xls) or an Outlook data file (.pst)"},
        {"cards", cardsCommand, "print the contact record of every card of vCard files"},
        {"verify-pst", verifyPstCommand, "check a .pst file against the format's rules"},
    };
    return subcommands;
}

int runCommandLine(int argc, char** argv, const std::vector<Subcommand>& subcommands) {
    if (argc < 2) {
        printUsage(std::cerr, subcommands);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(std::cout, subcommands);
        return 0;
    }
    if (name == "--version") {
        std::cout << "tessaly " TESSALY_VERSION "\n";
        return 0;
    }
    for (const Subcommand& command : subcommands) {
        if (name != command.name) continue;
        try {
            return command.run(Arguments(argv + 2, argv + argc));
        } catch (const std::bad_alloc&) {
            std::cout.flush();
            std::cerr << "tessaly: not enough memory\n";
        } catch (const std::exception& error) {
            std::cout.flush();
            std::cerr << "tessaly: " << terminalText(error.what()) << '\n';
        } catch (...) {
            std::cout.flush();
            std::cerr << "tessaly: an unexpected error ended the command\n";
        }
        return 1;
    }
    std::cerr << "tessaly: unknown subcommand '" << terminalText(name) << "'\n";
    printUsage(std::cerr, subcommands);
    return 2;
}

}  // namespace tessaly
