// Tessaly installed into a prefix of the user's choice (`cmake --install
// build --prefix DIR`): `tessaly` from there opens the window from there, on
// a virtual X server.

#include <gtest/gtest.h>

#include "support/test_files.h"
#include "support/virtual_display.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::runCommand;
using testing::shellQuote;

TEST(InstalledWindow, TessalyFromAnyPrefixStartsTheWindowInstalledBesideIt) {
    testing::TempDir prefix;
    const auto installed = runCommand("cmake --install " + shellQuote(TESSALY_BINARY_DIR) + " --prefix " +
                                      shellQuote(prefix.path().string()));
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
    const fs::path program = prefix.path() / "bin/tessaly";
    const fs::path window = prefix.path() / "libexec/tessaly-window";
    ASSERT_TRUE(fs::exists(program));
    ASSERT_TRUE(fs::exists(window));

    const auto started = testing::startWindowOnVirtualDisplay(program, TESSALY_SOURCE_DIR "/examples");
    EXPECT_EQ(started.out, "window: " + window.string() + "\n") << started.err;
}

}  // namespace
}  // namespace tessaly
