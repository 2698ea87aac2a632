// Tessaly as a desktop program: the executable without a display, and the
// Debian package cpack makes from this build: its control fields, its files,
// its desktop entry, and that apt can install it here.

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
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

TEST(DebianPackage, DeclaresWhatItNeedsHoldsTheProgramAndItsDesktopFilesAndInstalls) {
    testing::TempDir work;
    const auto made = runCommand("cpack -G DEB -B " + shellQuote(work.path().string()) + " --config " +
                                 shellQuote(TESSALY_BINARY_DIR "/CPackConfig.cmake"));
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    const fs::path package = work.path() / "tessaly_3.7_amd64.deb";
    ASSERT_TRUE(fs::exists(package)) << made.out;
    const std::string deb = shellQuote(package.string());

    const auto fields = runCommand("dpkg-deb -f " + deb + " Package Version Depends");
    ASSERT_EQ(fields.status, 0) << fields.err;
    EXPECT_NE(fields.out.find("Package: tessaly\n"), std::string::npos) << fields.out;
    EXPECT_NE(fields.out.find("Version: 3.7\n"), std::string::npos) << fields.out;
    for (const char* library : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libqt6svg6", "libstdc++6", "fonts-wine"})
        EXPECT_NE(fields.out.find(library), std::string::npos) << library << " in " << fields.out;

    const auto listing = runCommand("dpkg-deb -c " + deb);
    for (const char* file : {"./usr/bin/tessaly", "./usr/libexec/tessaly-window", "./usr/share/applications/tessaly.desktop",
                             "./usr/share/icons/hicolor/scalable/apps/tessaly.svg", "./usr/share/man/man1/tessaly.1.gz",
                             "./usr/share/doc/tessaly/README.md"})
        EXPECT_NE(listing.out.find(std::string(file) + "\n"), std::string::npos) << file;

    const fs::path unpacked = work.path() / "root";
    ASSERT_EQ(runCommand("dpkg-deb -x " + deb + " " + shellQuote(unpacked.string())).status, 0);
    const auto desktop = unpacked / "usr/share/applications/tessaly.desktop";
    const auto valid = runCommand("desktop-file-validate " + shellQuote(desktop.string()));
    EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
    EXPECT_EQ(valid.out + valid.err, "");
    const std::string entry = testing::readFile(desktop);
    EXPECT_NE(entry.find("MimeType=text/vcard;text/x-vcard;text/directory;\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Categories=Office;ContactManagement;\n"), std::string::npos) << entry;
    // The packaged program runs, stripped, from where the package puts it.
    EXPECT_EQ(runCommand(shellQuote((unpacked / "usr/bin/tessaly").string()) + " --version").out, "tessaly 3.7\n");

    // apt resolves every dependency on this Debian (simulated: nothing is installed).
    const auto install = runCommand("apt-get install -s " + deb);
    EXPECT_EQ(install.status, 0) << install.out << install.err;
    EXPECT_NE(install.out.find("Inst tessaly (3.7"), std::string::npos) << install.out;
}

}  // namespace
}  // namespace tessaly
