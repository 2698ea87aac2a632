// The picture folder in a folder others may write in: whatever is planted at
// a picture's name or at the folder's own name is never followed.

#include "vcard/picture_folder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;

// A link, a folder link, a pipe (which would block a writer that opened it)
// and a file at pictures' names: each is replaced by the picture, and what
// the links lead to is left as it was.
TEST(PictureFolder, WhatIsPlantedAtAPicturesNameIsReplacedNeverFollowed) {
    TempDir dir;
    const fs::path precious = dir.write("precious", "precious");
    fs::create_directory(dir.path() / "elsewhere");
    const fs::path pictures = dir.path() / "vCardPictures";
    fs::create_directory(pictures);
    fs::create_symlink(precious, pictures / ".gif");
    fs::create_directory_symlink(dir.path() / "elsewhere", pictures / "1.gif");
    ASSERT_EQ(::mkfifo((pictures / "2.gif").c_str(), 0600), 0);
    testing::writeFile(pictures / "3.gif", "an earlier run's picture");

    PictureFolder folder(pictures);
    EXPECT_EQ(folder.open(), "");
    for (const char* name : {".gif", "1.gif", "2.gif", "3.gif"}) {
        EXPECT_EQ(folder.write(name, std::string("picture ") + name), "") << name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(pictures / name))) << name;
        EXPECT_EQ(readFile(pictures / name), std::string("picture ") + name);
    }
    EXPECT_EQ(readFile(precious), "precious");
    EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere"));
    EXPECT_EQ(testing::folderEntries(pictures).size(), 4u);  // no temporary file left
}

// The folder itself: a link at its name (to a folder or a file), a file, and a
// folder of another user are refused with the cause, and nothing is written.
TEST(PictureFolder, AFolderThatIsALinkAFileOrAnothersIsRefused) {
    TempDir dir;
    fs::create_directory(dir.path() / "target");
    const fs::path linkToFolder = dir.path() / "linked";
    fs::create_directory_symlink(dir.path() / "target", linkToFolder);
    const fs::path file = dir.write("file", "");
    const fs::path dangling = dir.path() / "dangling";
    fs::create_symlink(dir.path() / "nowhere", dangling);
    const struct {
        fs::path path;
        std::string cause;
    } cases[] = {{linkToFolder, "the folder's name is a link; no picture is written through it"},
                 {dangling, "the folder's name is a link; no picture is written through it"},
                 {file, "a file that is not a folder has the folder's name"},
                 {dir.path() / "missing" / "vCardPictures", "No such file or directory"}};
    for (const auto& [path, cause] : cases) {
        PictureFolder folder(path);
        EXPECT_EQ(folder.open(), cause) << path;
        EXPECT_EQ(folder.open(), cause) << "asked again";
        EXPECT_EQ(folder.write(".gif", "picture"), cause);
    }
    EXPECT_TRUE(fs::is_empty(dir.path() / "target"));
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));

    const fs::path others = dir.path() / "others";
    fs::create_directory(others);
    const uid_t someoneElse = ::geteuid() == 0 ? 65534 : 0;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(others.c_str(), someoneElse, static_cast<gid_t>(-1)), 0);
    } else {
        GTEST_SKIP() << "a folder of another user needs root to make";
    }
    fs::permissions(others, fs::perms::all);
    PictureFolder folder(others);
    EXPECT_EQ(folder.open(), "the folder belongs to another user; no picture is written into it");
    EXPECT_TRUE(fs::is_empty(others));
}

// A folder that does not exist yet is made.
TEST(PictureFolder, AMissingFolderIsMade) {
    TempDir dir;
    PictureFolder folder(dir.path() / "vCardPictures");
    EXPECT_EQ(folder.open(), "");
    EXPECT_EQ(folder.write(".gif", "GIF89a"), "");
    EXPECT_EQ(readFile(dir.path() / "vCardPictures" / ".gif"), "GIF89a");
}

// A picture that cannot be written whole (here the process may not write
// files past a few bytes) leaves nothing under its name, whether the name was
// free or held by an older picture, which stays as it was.
TEST(PictureFolder, APictureCutShortIsNotLeftUnderItsName) {
    TempDir dir;
    PictureFolder folder(dir.path() / "vCardPictures");
    ASSERT_EQ(folder.open(), "");
    ASSERT_EQ(folder.write("older.gif", "GIF"), "");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string newCause = folder.write("new.gif", "GIF89a and more");
    const std::string olderCause = folder.write("older.gif", "GIF89a and more");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(newCause, "File too large");
    EXPECT_EQ(olderCause, "File too large");
    EXPECT_EQ(testing::folderEntries(dir.path() / "vCardPictures"), std::vector<fs::path>{"older.gif"});
    EXPECT_EQ(readFile(dir.path() / "vCardPictures" / "older.gif"), "GIF");
}

}  // namespace
}  // namespace tessaly
