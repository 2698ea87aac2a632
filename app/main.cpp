#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/command_line.h"
#include "app/terminal_text.h"
#include "common/heap_settings.h"

// Where the window program is installed, relative to the folder of the
// installed `tessaly` ("../libexec"): both move together with the prefix.
#ifndef TESSALY_WINDOW_FROM_BINDIR
#define TESSALY_WINDOW_FROM_BINDIR "../libexec"
#endif

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

// An X or Wayland display, or a Qt platform named in QT_QPA_PLATFORM.
bool displayAvailable() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

// The window is a program of its own (so that a command-line run never loads
// Qt): beside this one in a build, in the libexec folder of the prefix this
// one is installed in, wherever that prefix is.
int startWindow(char** argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        std::cerr << "tessaly: the window cannot be started: /proc/self/exe: " << error.message() << '\n';
        return 2;
    }
    const std::filesystem::path folder = self.parent_path();
    const std::filesystem::path places[] = {folder / "tessaly-window",
                                            (folder / TESSALY_WINDOW_FROM_BINDIR / "tessaly-window").lexically_normal()};
    for (const auto& program : places) {
        if (::access(program.c_str(), X_OK) != 0) continue;
        argv[0] = const_cast<char*>(program.c_str());
        ::execv(program.c_str(), argv);
        std::cerr << "tessaly: the window cannot be started: " << program.string() << ": " << std::strerror(errno)
                  << '\n';
        return 2;
    }
    std::cerr << "tessaly: the window program tessaly-window is not installed\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    tessaly::keepLargeBlocksOutOfTheHeap();
    const bool windowArguments = argc == 1 || (argc == 2 && isSource(argv[1]));
    if (windowArguments && displayAvailable()) return startWindow(argv);
    if (argc == 2 && windowArguments) {
        std::cerr << "tessaly: there is no display to open the window on; 'tessaly convert "
                  << tessaly::terminalText(argv[1])
                  << "' converts without one\n";
        argc = 1;
    }
    return tessaly::runCommandLine(argc, argv);
}
