// `tessaly convert SOURCE [--to xls|pst] [--mode auto|normal|advance] [--out DIR]`:
// the conversion run of the window, without a display.

#include <filesystem>
#include <iostream>
#include <string>

#include "app/read_mode_option.h"
#include "app/run/conversion_run.h"
#include "app/subcommands.h"
#include "app/terminal_host.h"
#include "app/terminal_text.h"

namespace tessaly {

namespace {

const char* const kUsage =
    "usage: tessaly convert SOURCE [--to xls|pst] [--mode auto|normal|advance] [--out DIR]\n";

const char* const kHelp =
    "usage: tessaly convert SOURCE [--to xls|pst] [--mode auto|normal|advance] [--out DIR]\n"
    "\n"
    "Converts SOURCE, a .vcf file or a folder whose .vcf files are all read, into\n"
    "one target in DIR (default: the current folder):\n"
    "  --to xls    the worksheet vCardContactsExported.xls, one row per card (default)\n"
    "  --to pst    contacts in a new Outlook data file, ContactsSTAMP.pst, whose\n"
    "              store is named \"Imported Contacts : Created - STAMP\" (STAMP:\n"
    "              the local time as d.m.YY H.m.ss); an existing file is never\n"
    "              written over\n"
    "  --mode auto      each file in the mode its line ends call for: Normal when\n"
    "                   every LF follows a CR, else Advance (default; the report\n"
    "                   names the files read in Advance Mode)\n"
    "  --mode normal    lines end at CR or CR LF\n"
    "  --mode advance   a lone LF ends a line too (files from Unix-like systems)\n"
    "Pictures of cards are written to DIR/vCardPictures.\n"
    "\n"
    "While it runs, standard error shows the count of cards saved. At the end it\n"
    "prints where it wrote, the end-of-run message, and what was not converted or\n"
    "was changed (files that could not be read, cards left incomplete, values cut,\n"
    "characters replaced, ...). Ctrl-C stops the run and keeps what was converted.\n"
    "\n"
    "Exit status: 0 when everything was converted, 1 when something was not or the\n"
    "target failed, 2 for wrong arguments.\n";

int usageError(const std::string& message) {
    std::cerr << "tessaly convert: " << terminalText(message) << '\n' << kUsage;
    return 2;
}

}  // namespace

int convertCommand(const Arguments& arguments) {
    std::string source;
    std::string output = ".";
    RunOptions options;
    options.mode = ReadMode::Auto;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help" || argument == "-h") {
            std::cout << kHelp;
            return 0;
        } else if (argument == "--to" && hasValue) {
            const std::string& to = arguments[++i];
            if (to == "xls") {
                options.target = TargetKind::Worksheet;
            } else if (to == "pst") {
                options.target = TargetKind::Outlook;
            } else {
                return usageError("unknown target '" + to + "'");
            }
        } else if (argument == "--mode" && hasValue) {
            const std::string& mode = arguments[++i];
            const std::optional<ReadMode> named = readModeNamed(mode);
            if (!named) return usageError("unknown mode '" + mode + "'");
            options.mode = *named;
        } else if (argument == "--out" && hasValue) {
            output = arguments[++i];
            if (output.empty()) return usageError("--out needs a folder");
        } else if (!argument.empty() && argument[0] == '-') {
            return usageError("unknown or incomplete option '" + argument + "'");
        } else if (source.empty()) {
            source = argument;
        } else {
            return usageError("only one SOURCE may be given");
        }
    }
    if (source.empty()) return usageError("no SOURCE given");
    // The source is looked at before anything is created or replaced: a
    // mistyped name must not leave an empty sheet over an earlier one.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(source, error);
    if (status.type() == std::filesystem::file_type::not_found) return usageError(source + ": no such file or folder");
    if (error) return usageError(source + ": " + error.message());
    const bool isFolder = status.type() == std::filesystem::file_type::directory;
    if (!isFolder && status.type() != std::filesystem::file_type::regular)
        return usageError(source + ": neither a file nor a folder");

    // Like a folder chooser's "new folder": the output folder is made if needed.
    std::filesystem::create_directories(output, error);
    if (error) {
        std::cerr << terminalText(output) << ": the output folder cannot be made: " << error.message() << '\n';
        return 1;
    }
    RunSource runSource{source, isFolder};
    TerminalHost host(output);
    const RunResult result = runConversion(runSource, options, host);
    host.finishProgress();
    // A failed target's message is an error, and so is a run that wrote
    // nothing because no source could be read; the end-of-run message is the
    // run's result.
    if (result.targetFailed || result.output.empty()) {
        std::cerr << terminalText(host.messages());
        return 1;
    }
    std::cout << "Wrote " << result.cardsConverted << (result.cardsConverted == 1 ? " card" : " cards") << " to "
              << terminalText(std::filesystem::absolute(result.output).lexically_normal().string()) << '\n';
    std::cout << terminalText(host.messages());
    return result.report.hasProblems() ? 1 : 0;
}

}  // namespace tessaly
