// Tessaly as a desktop program without a display: it says why it opens no
// window. (The package that installs it is tested in debian_package_test.)

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::runCommand;
using testing::shellQuote;

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";

TEST(DesktopProgram, WithoutADisplayItPrintsItsUsageInsteadOfAWindow) {
    const auto bare = runCommand(kNoDisplay + shellQuote(TESSALY_EXECUTABLE));
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("usage: tessaly [FILE.vcf | FOLDER]"), std::string::npos) << bare.err;
    const std::string examples = TESSALY_SOURCE_DIR "/examples";
    const auto source = runCommand(kNoDisplay + shellQuote(TESSALY_EXECUTABLE) + " " + shellQuote(examples));
    EXPECT_EQ(source.status, 2);
    EXPECT_EQ(source.err.rfind("tessaly: there is no display to open the window on; 'tessaly convert " + examples +
                                   "' converts without one\n",
                               0),
              0u)
        << source.err;
    const auto version = runCommand(shellQuote(TESSALY_EXECUTABLE) + " --version");
    EXPECT_EQ(version.out, "tessaly 3.7\n");
}

}  // namespace
}  // namespace tessaly
