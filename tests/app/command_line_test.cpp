// The command line's own rules: the subcommand table, and what happens to an
// error no subcommand expected.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace tessaly {
namespace {

int throwsRuntimeError(const Arguments&) { throw std::runtime_error("the disk went away"); }
int throwsBadAlloc(const Arguments&) { throw std::bad_alloc(); }
int throwsSomethingElse(const Arguments&) { throw 42; }
int succeeds(const Arguments& arguments) { return arguments.size() == 1 && arguments[0] == "x" ? 0 : 3; }

TEST(CommandLine, AnErrorNoSubcommandExpectedIsPrintedWithItsCauseNotFatal) {
    const std::vector<Subcommand> subcommands = {{"runtime", throwsRuntimeError, ""},
                                                 {"memory", throwsBadAlloc, ""},
                                                 {"other", throwsSomethingElse, ""},
                                                 {"fine", succeeds, ""}};
    const struct {
        const char* name;
        int status;
        std::string err;
    } cases[] = {{"runtime", 1, "tessaly: the disk went away\n"},
                 {"memory", 1, "tessaly: not enough memory\n"},
                 {"other", 1, "tessaly: an unexpected error ended the command\n"},
                 {"fine", 0, ""},
                 {"unknown", 2, "tessaly: unknown subcommand 'unknown'\n"}};
    for (const auto& [name, status, err] : cases) {
        char program[] = "tessaly";
        char argument[] = "x";
        std::string subcommand = name;
        char* argv[] = {program, subcommand.data(), argument, nullptr};
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(runCommandLine(3, argv, subcommands), status) << name;
        const std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(printed.starts_with(err)) << name << ": " << printed;
    }
}

}  // namespace
}  // namespace tessaly
