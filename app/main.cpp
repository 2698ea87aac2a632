#include <filesystem>
#include <iostream>
#include <string>

#include "app/command_line.h"
#include "app/window/window_main.h"

namespace {

// A lone argument that names a file or folder (and no subcommand or option)
// is a source for the window: "Open with Tessaly".
bool isSource(const std::string& argument) {
    if (argument.empty() || argument[0] == '-') return false;
    for (const auto& command : tessaly::tessalySubcommands())
        if (argument == command.name) return false;
    std::error_code error;
    return std::filesystem::exists(argument, error);
}

}  // namespace

int main(int argc, char** argv) {
    const bool windowArguments = argc == 1 || (argc == 2 && isSource(argv[1]));
    if (windowArguments && tessaly::displayAvailable()) return tessaly::runWindow(argc, argv, argc == 2 ? argv[1] : "");
    if (argc == 2 && windowArguments) {
        std::cerr << "tessaly: there is no display to open the window on; 'tessaly convert " << argv[1]
                  << "' converts without one\n";
        argc = 1;
    }
    return tessaly::runCommandLine(argc, argv);
}
