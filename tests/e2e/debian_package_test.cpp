// The Debian package cpack makes from this build, as Debian's own tools see it
// and as it runs once unpacked: lintian finds no error or warning, AppStream
// accepts its metainfo, its documents are the repository's, the dependencies
// it declares are the packages of the libraries its programs link, and the
// programs unpacked into a temporary root print their version, convert the
// examples to both targets and open the window.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "support/pst_readers.h"
#include "support/test_files.h"
#include "support/virtual_display.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::runCommand;
using testing::shellQuote;
using testing::split;

const std::string kSource = TESSALY_SOURCE_DIR;
const std::string kMetainfo = "usr/share/metainfo/io.github.tessaly.tessaly.metainfo.xml";

// The package is made and unpacked once, into a folder of its own, for all
// the tests of the suite.
class DebianPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        work_ = new testing::TempDir;
        made_ = runCommand("cpack -G DEB -B " + shellQuote(work_->path().string()) + " --config " +
                           shellQuote(TESSALY_BINARY_DIR "/CPackConfig.cmake"));
        unpacked_ = made_.status == 0 && fs::exists(package()) &&
                    runCommand("dpkg-deb -x " + deb() + " " + shellQuote(root().string())).status == 0;
    }
    static void TearDownTestSuite() {
        delete work_;
        work_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(made_.status, 0) << made_.out << made_.err;
        ASSERT_TRUE(unpacked_) << package() << " was not made or could not be unpacked:\n" << made_.out;
    }

    static fs::path package() { return work_->path() / "tessaly_3.7_amd64.deb"; }
    static std::string deb() { return shellQuote(package().string()); }
    static fs::path root() { return work_->path() / "root"; }
    static std::string installed(const std::string& file) { return testing::readFile(root() / file); }

    inline static testing::TempDir* work_ = nullptr;
    inline static testing::CommandResult made_;
    inline static bool unpacked_ = false;
};

// The text between `<element…>` and `</element>` of each such element of `xml`.
std::vector<std::string> elementTexts(const std::string& xml, const std::string& element) {
    std::vector<std::string> texts;
    const std::string close = "</" + element + ">";
    for (auto at = xml.find("<" + element); at != std::string::npos; at = xml.find("<" + element, at + 1)) {
        const auto start = xml.find('>', at) + 1;
        texts.push_back(xml.substr(start, xml.find(close, start) - start));
    }
    return texts;
}

// The value of `key=` in a desktop entry, or "" when it has none.
std::string desktopValue(const std::string& entry, const std::string& key) {
    for (const auto& line : testing::lines(entry))
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

TEST_F(DebianPackage, HoldsTheProgramsTheirDesktopFilesAndDocumentsAndNothingElse) {
    const auto listing = runCommand("dpkg-deb -c " + deb());
    ASSERT_EQ(listing.status, 0) << listing.err;
    std::set<std::string> files;
    for (const auto& line : testing::lines(listing.out)) {
        const std::string path = line.substr(line.rfind(' ') + 1);
        if (path.back() != '/') files.insert(path);
    }
    const std::set<std::string> expected = {
        "./usr/bin/tessaly",
        "./usr/libexec/tessaly-window",
        "./usr/share/applications/tessaly.desktop",
        "./usr/share/doc/tessaly/README.md",
        "./usr/share/doc/tessaly/changelog.gz",
        "./usr/share/doc/tessaly/copyright",
        "./usr/share/icons/hicolor/48x48/apps/tessaly.png",
        "./usr/share/icons/hicolor/256x256/apps/tessaly.png",
        "./usr/share/icons/hicolor/scalable/apps/tessaly.svg",
        "./usr/share/lintian/overrides/tessaly",
        "./usr/share/man/man1/tessaly.1.gz",
        "./" + kMetainfo,
    };
    EXPECT_EQ(files, expected) << listing.out;

    const auto desktop = root() / "usr/share/applications/tessaly.desktop";
    const auto valid = runCommand("desktop-file-validate " + shellQuote(desktop.string()));
    EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
    EXPECT_EQ(valid.out + valid.err, "");
    const std::string entry = testing::readFile(desktop);
    EXPECT_EQ(desktopValue(entry, "Exec"), "tessaly %f");
    EXPECT_EQ(desktopValue(entry, "MimeType"), "text/vcard;text/x-vcard;text/directory;");
    EXPECT_EQ(desktopValue(entry, "Categories"), "Office;ContactManagement;");
}

TEST_F(DebianPackage, ControlDataNamesTheVersionAndSaysWhatTessalyDoes) {
    const auto fields = runCommand("dpkg-deb -f " + deb() + " Package Version Homepage Description");
    ASSERT_EQ(fields.status, 0) << fields.err;
    EXPECT_EQ(fields.out,
              "Package: tessaly\n"
              "Version: 3.7\n"
              "Homepage: https://github.com/tessaly/tessaly\n"
              "Description: Convert vCard contacts into an Outlook data file or a worksheet\n"
              " Tessaly reads vCard contact files (versions 2.1, 3.0 and 4.0), one file or\n"
              " a whole folder, and writes every card as a contact into a new Outlook data\n"
              " file (.pst) or as a row of one worksheet (.xls, BIFF 2.1). The .pst file is\n"
              " written by Tessaly's own engine, without Outlook. It runs from the command\n"
              " line or in a window, and reports every value the chosen target has no place\n"
              " for.\n");
}

TEST_F(DebianPackage, LintianReportsNoErrorOrWarningAndEveryOverrideHasItsReason) {
    const auto checked = runCommand("lintian --fail-on error,warning " + deb());
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    EXPECT_EQ(checked.out, "") << checked.err;

    // Each override line follows a comment that gives its reason, and lintian
    // used each one (it shows the overrides it applied as "O:" lines).
    const auto shown = runCommand("lintian --show-overrides " + deb());
    const auto overrides = testing::lines(installed("usr/share/lintian/overrides/tessaly"));
    ASSERT_FALSE(overrides.empty());
    for (std::size_t i = 0; i < overrides.size(); ++i) {
        if (overrides[i].empty() || overrides[i][0] == '#') continue;
        EXPECT_TRUE(i > 0 && overrides[i - 1][0] == '#') << "no reason above: " << overrides[i];
        EXPECT_NE(shown.out.find("O: " + overrides[i] + "\n"), std::string::npos)
            << "not used: " << overrides[i] << "\n"
            << shown.out;
    }
}

TEST_F(DebianPackage, CopyrightIsMachineReadableAndNamesTheLicenceOfEveryFile) {
    const std::string copyright = installed("usr/share/doc/tessaly/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
                              "Upstream-Name: Tessaly\n",
                              0),
              0u)
        << copyright;
    EXPECT_NE(copyright.find("\n\nFiles: *\nCopyright: 2026 Tessaly maintainers\nLicense: Apache-2.0\n\n"),
              std::string::npos)
        << copyright;
    EXPECT_NE(copyright.find("\n\nLicense: Apache-2.0\n Licensed under the Apache License, Version 2.0"),
              std::string::npos)
        << copyright;
    EXPECT_NE(copyright.find(" can be found in \"/usr/share/common-licenses/Apache-2.0\".\n"), std::string::npos)
        << copyright;
    // The AppStream metadata is under the all-permissive licence AppStream asks for.
    EXPECT_NE(copyright.find("\n\nFiles: app/desktop/io.github.tessaly.tessaly.metainfo.xml.in\n"
                             "Copyright: 2026 Tessaly maintainers\nLicense: FSFAP\n"),
              std::string::npos)
        << copyright;
    EXPECT_NE(copyright.find("\n\nLicense: FSFAP\n Copying and distribution of this file"), std::string::npos)
        << copyright;
    EXPECT_EQ(elementTexts(installed(kMetainfo), "metadata_license"), std::vector<std::string>{"FSFAP"});
    // The repository's LICENSE is the licence's own text, as Debian keeps it.
    EXPECT_EQ(testing::readFile(kSource + "/LICENSE"), testing::readFile("/usr/share/common-licenses/Apache-2.0"));
}

TEST_F(DebianPackage, ChangelogAndManualPageAreTheRepositorysCompressed) {
    const auto unpacked = [](const std::string& file) {
        return runCommand("gzip -dc " + shellQuote((root() / file).string()));
    };
    const auto changelog = unpacked("usr/share/doc/tessaly/changelog.gz");
    ASSERT_EQ(changelog.status, 0) << changelog.err;
    EXPECT_EQ(changelog.out, testing::readFile(kSource + "/CHANGELOG"));
    const auto manual = unpacked("usr/share/man/man1/tessaly.1.gz");
    ASSERT_EQ(manual.status, 0) << manual.err;
    EXPECT_EQ(manual.out, testing::readFile(kSource + "/app/desktop/tessaly.1"));

    // The changelog's first entry is the package's version.
    const auto version = runCommand("dpkg-parsechangelog -l " + shellQuote(kSource + "/CHANGELOG") + " -S Version");
    EXPECT_EQ(version.out, "3.7\n") << version.err;
    EXPECT_EQ(runCommand("dpkg-deb -f " + deb() + " Version").out, version.out);
}

TEST_F(DebianPackage, AppStreamAcceptsTheMetainfoWhichNamesTheDesktopEntryLicenceAndVersion) {
    const std::string metainfo = (root() / kMetainfo).string();
    const auto file = runCommand("appstreamcli validate --no-net --pedantic " + shellQuote(metainfo));
    EXPECT_EQ(file.status, 0) << file.out << file.err;
    EXPECT_EQ(file.out, "\u2714 Validation was successful.\n") << file.err;
    // The installed tree as a software centre reads it: the desktop entry the
    // metainfo launches is there.
    const auto tree = runCommand("appstreamcli validate-tree --no-net --pedantic " + shellQuote(root().string()));
    EXPECT_EQ(tree.status, 0) << tree.out << tree.err;
    EXPECT_EQ(tree.out, "\u2714 Validation was successful.\n") << tree.err;

    const std::string xml = testing::readFile(metainfo);
    EXPECT_EQ(elementTexts(xml, "id"), std::vector<std::string>{"io.github.tessaly.tessaly"});
    EXPECT_EQ(elementTexts(xml, "launchable"), std::vector<std::string>{"tessaly.desktop"});
    EXPECT_EQ(elementTexts(xml, "project_license"), std::vector<std::string>{"Apache-2.0"});
    const std::string entry = installed("usr/share/applications/tessaly.desktop");
    EXPECT_EQ(elementTexts(xml, "mediatype"), split(desktopValue(entry, "MimeType"), ';'));
    EXPECT_EQ(elementTexts(xml, "binary"), std::vector<std::string>{"tessaly"});
    EXPECT_TRUE(fs::exists(root() / "usr/bin/tessaly"));

    // The screenshot is the repository's own, at this version.
    EXPECT_EQ(elementTexts(xml, "image"),
              std::vector<std::string>{"https://raw.githubusercontent.com/tessaly/tessaly/v3.7/docs/window.png"});
    EXPECT_TRUE(fs::exists(kSource + "/docs/window.png"));

    // The release is the changelog's first entry: its version and its day.
    const auto day = runCommand("date -u -d @$(dpkg-parsechangelog -l " + shellQuote(kSource + "/CHANGELOG") +
                                " -S Timestamp) +%F");
    ASSERT_EQ(day.status, 0) << day.err;
    EXPECT_NE(xml.find("<release version=\"3.7\" date=\"" + day.out.substr(0, 10) + "\"/>"), std::string::npos) << xml;
}

// A PNG's width and height, from its header chunk.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& png) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    const auto number = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(png[at + i]);
        return value;
    };
    return {number(16), number(20)};
}

TEST_F(DebianPackage, TheDesktopEntrysIconIsThereScalableAndAt48And256Pixels) {
    EXPECT_EQ(desktopValue(installed("usr/share/applications/tessaly.desktop"), "Icon"), "tessaly");
    EXPECT_EQ(installed("usr/share/icons/hicolor/scalable/apps/tessaly.svg"),
              testing::readFile(kSource + "/app/window/art/tessaly.svg"));
    for (const std::uint32_t size : {48u, 256u}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(pngSize(installed("usr/share/icons/hicolor/" + folder + "/apps/tessaly.png")),
                  std::make_pair(size, size))
            << folder;
    }
}

TEST_F(DebianPackage, TheUnpackedProgramsPrintTheirVersionAndConvertTheExamplesToBothTargets) {
    const std::string tessaly = shellQuote((root() / "usr/bin/tessaly").string());
    EXPECT_EQ(runCommand(tessaly + " --version").out, "tessaly 3.7\n");

    testing::TempDir out;
    const auto convert = [&](const std::string& options, const fs::path& folder) {
        return runCommand(tessaly + " convert " + shellQuote(kSource + "/examples") + options + " --out " +
                          shellQuote(folder.string()));
    };
    const auto sheetRun = convert("", out.path() / "xls");
    // The sheet has no column for three values of the examples, hence status 1.
    EXPECT_EQ(sheetRun.status, 1) << sheetRun.out << sheetRun.err;
    const fs::path sheetFile = out.path() / "xls/vCardContactsExported.xls";
    EXPECT_EQ(sheetRun.out.rfind("Wrote 5 cards to " + sheetFile.string() + "\n", 0), 0u) << sheetRun.out;
    const auto sheet = runCommand("/usr/bin/python3 " + shellQuote(kSource + "/tests/e2e/xls_cells.py") + " " +
                                  shellQuote(sheetFile.string()));
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    std::vector<std::string> names;
    for (const auto& row : testing::lines(sheet.out)) {
        const auto cells = split(row, '\x1f');
        names.push_back(cells.size() > 2 ? cells[0] + " " + cells[2] : row);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"First Name Last Name", "Chidinma Okafor", "Hiroshi Tanaka",
                                                "Front Desk", "Maja Lindqvist", "Søren Østergaard"}));

    const auto storeRun = convert(" --to pst", out.path() / "pst");
    EXPECT_EQ(storeRun.status, 0) << storeRun.out << storeRun.err;
    const auto written = testing::folderEntries(out.path() / "pst");
    ASSERT_EQ(written.size(), 2u);  // the store and vCardPictures/
    const fs::path store = out.path() / "pst" / written[0];
    ASSERT_EQ(store.extension(), ".pst") << store;
    EXPECT_EQ(storeRun.out.rfind("Wrote 5 cards to " + store.string() + "\n", 0), 0u) << storeRun.out;
    const auto verified = runCommand(tessaly + " verify-pst " + shellQuote(store.string()));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_EQ(verified.out, store.string() + ": 0 violation(s), 0 warning(s)\n");
    testing::expectValidPst(store);
    std::vector<std::string> contacts;
    for (const auto& line : testing::npmListing(store)) {
        const auto fields = split(line, '\t');
        if (fields.size() > 3 && fields[0] == "item" && fields[2] == "IPM.Contact") contacts.push_back(fields[3]);
    }
    EXPECT_EQ(contacts, (std::vector<std::string>{"Chidinma Okafor", "Hiroshi Tanaka", "Front Desk",
                                                   "Dr. Maja Elin Lindqvist PhD", "Søren Østergaard"}));
}

TEST_F(DebianPackage, TheUnpackedTessalyOpensTheUnpackedWindowWithItsTitle) {
    const auto started = testing::startWindowOnVirtualDisplay(root() / "usr/bin/tessaly", kSource + "/examples");
    EXPECT_EQ(started.out, "window: " + (root() / "usr/libexec/tessaly-window").string() + "\n") << started.err;
}

// The package that holds `path`, a library as ldd finds it (on Debian 12 a
// library may be found under /lib and recorded under /usr/lib, or the other
// way round), or "" when none does.
std::string owningPackage(const std::string& path) {
    const std::string other = path.rfind("/usr/", 0) == 0 ? path.substr(4) : "/usr" + path;
    for (const auto& candidate : {path, other}) {
        const auto found = runCommand("dpkg-query -S " + shellQuote(candidate));
        if (found.status == 0) return found.out.substr(0, found.out.find(':'));
    }
    return "";
}

TEST_F(DebianPackage, DependsNamesThePackageOfEveryLibraryTheProgramsLinkAndAptCanInstallIt) {
    const auto info = runCommand("dpkg-deb -I " + deb());
    ASSERT_EQ(info.status, 0) << info.err;
    std::set<std::string> declared;  // the packages Depends names, without their versions
    for (const auto& line : testing::lines(info.out)) {
        if (line.rfind(" Depends: ", 0) != 0) continue;
        for (auto entry : split(line.substr(10), ',')) {
            entry.erase(0, entry.find_first_not_of(' '));
            declared.insert(entry.substr(0, entry.find(' ')));
        }
    }
    ASSERT_EQ(declared.count("fonts-wine"), 1u) << info.out;  // the window's font, which no program links

    std::set<std::string> needed = {"fonts-wine"};
    for (const char* program : {"usr/bin/tessaly", "usr/libexec/tessaly-window"}) {
        const std::string file = shellQuote((root() / program).string());
        const auto resolved = runCommand("ldd " + file);
        ASSERT_EQ(resolved.status, 0) << resolved.err;
        EXPECT_EQ(resolved.out.find("not found"), std::string::npos) << program << ":\n" << resolved.out;
        std::map<std::string, std::string> paths;  // soname -> where ldd found it
        for (const auto& line : testing::lines(resolved.out)) {
            const auto words = split(line, ' ');
            if (words.size() >= 3 && words[1] == "=>")
                paths[words[0].substr(words[0].find_first_not_of('\t'))] = words[2];
        }
        const auto dynamic = runCommand("readelf -d " + file);
        ASSERT_EQ(dynamic.status, 0) << dynamic.err;
        for (const auto& line : testing::lines(dynamic.out)) {
            const auto at = line.find("(NEEDED)");
            if (at == std::string::npos) continue;
            const auto start = line.find('[', at) + 1;
            const std::string soname = line.substr(start, line.find(']', start) - start);
            ASSERT_EQ(paths.count(soname), 1u) << program << " links " << soname << ", which ldd did not find";
            const std::string owner = owningPackage(paths[soname]);
            EXPECT_EQ(declared.count(owner), 1u) << program << " links " << paths[soname] << " of package '" << owner
                                                 << "', which Depends does not name: " << info.out;
            needed.insert(owner);
        }
    }
    EXPECT_EQ(declared, needed) << "Depends names packages no program needs";

    // apt resolves every dependency on this Debian (simulated: nothing is installed).
    const auto install = runCommand("apt-get install -s " + deb());
    EXPECT_EQ(install.status, 0) << install.out << install.err;
    EXPECT_NE(install.out.find("Inst tessaly (3.7"), std::string::npos) << install.out;
}

}  // namespace
}  // namespace tessaly
