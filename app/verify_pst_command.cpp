#include <iostream>

#include "app/subcommands.h"
#include "app/terminal_text.h"
#include "pst/verify/verify_pst.h"

namespace tessaly {

namespace {

void printHelp(std::ostream& out) {
    out << "usage: tessaly verify-pst FILE\n\n"
           "Checks a Unicode Outlook data file (.pst) against the rules of the\n"
           "published format (MS-PST) and prints each violation with its place in\n"
           "the file; warnings (such as orphan blocks) are printed too but do not\n"
           "fail the file. Exit status: 0 no violation, 1 violations, 2 wrong usage.\n";
}

}  // namespace

int verifyPstCommand(const Arguments& arguments) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        printHelp(std::cout);
        return 0;
    }
    if (arguments.size() != 1 || arguments[0].empty() || arguments[0][0] == '-') {
        printHelp(std::cerr);
        return 2;
    }
    const std::string& path = arguments[0];
    const pst::verify::VerificationReport report = pst::verify::verifyPstFile(path);
    for (const auto& finding : report.violations)
        std::cout << terminalText(path) << ": violation: " << terminalText(pst::verify::describe(finding)) << '\n';
    for (const auto& finding : report.warnings)
        std::cout << terminalText(path) << ": warning: " << terminalText(pst::verify::describe(finding)) << '\n';
    std::cout << terminalText(path) << ": " << report.violations.size() << " violation(s), " << report.warnings.size()
              << " warning(s)\n";
    return report.passed() ? 0 : 1;
}

}  // namespace tessaly
