// Picture files written on the writer's own thread: order, failures, limits.

#include "vcard/picture_file_writer.h"

#include <gtest/gtest.h>

#include "support/test_files.h"
#include "vcard/picture_folder.h"

namespace tessaly {
namespace {

using testing::TempDir;

std::shared_ptr<PictureFolder> openFolder(const TempDir& folder) {
    auto pictures = std::make_shared<PictureFolder>(folder.path());
    EXPECT_EQ(pictures->open(), "");
    return pictures;
}

TEST(PictureFileWriter, WritesEveryFileInTheOrderGivenEmptyOnesToo) {
    TempDir folder;
    const auto pictures = openFolder(folder);
    PictureFileWriter writer;
    for (int i = 0; i < 200; ++i)
        writer.write(pictures, std::to_string(i % 50) + ".gif", "picture " + std::to_string(i), "a.vcf", i);
    writer.write(pictures, "empty.gif", "", "a.vcf", 201);
    writer.finish();
    // Each name was written four times; the last writing stays, as when the
    // files are written one after the other.
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(testing::readFile(folder.path() / (std::to_string(i) + ".gif")),
                  "picture " + std::to_string(150 + i));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "empty.gif"));  // finish() waited for it too
    EXPECT_TRUE(writer.takeFailures().empty());
}

TEST(PictureFileWriter, AFileThatCannotBeWrittenIsNotedWithItsCardAndTheRestGoOn) {
    TempDir folder;
    std::filesystem::create_directory(folder.path() / "1.gif");  // a folder in the way
    const auto pictures = openFolder(folder);
    PictureFileWriter writer;
    writer.write(pictures, ".gif", "first", "cards.vcf", 3);
    writer.write(pictures, "1.gif", "second", "cards.vcf", 9);
    writer.write(pictures, "2.gif", "third", "cards.vcf", 14);
    writer.finish();
    const std::vector<PictureWriteFailure> failures = writer.takeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].vcardFile, "cards.vcf");
    EXPECT_EQ(failures[0].line, 9);
    EXPECT_EQ(failures[0].cause,
              "picture file " + (folder.path() / "1.gif").string() + " could not be written: Is a directory");
    EXPECT_EQ(testing::readFile(folder.path() / "2.gif"), "third");
    EXPECT_TRUE(writer.takeFailures().empty());  // taken once
}

TEST(PictureFileWriter, APictureLargerThanTheQueueStillPasses) {
    TempDir folder;
    const std::string big(100000, 'x');
    {
        const auto pictures = openFolder(folder);
        PictureFileWriter writer(1000);
        // Less than a batch is queued when a picture finds no room.
        writer.write(pictures, "first.gif", "f", "a.vcf", 1);
        for (int i = 0; i < 5; ++i) writer.write(pictures, std::to_string(i) + ".gif", big, "a.vcf", 1);
        writer.write(pictures, "small.gif", "s", "a.vcf", 2);
        // No finish(): the writer writes what is queued before it goes.
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(testing::readFile(folder.path() / (std::to_string(i) + ".gif")), big);
    EXPECT_EQ(testing::readFile(folder.path() / "first.gif"), "f");
    EXPECT_EQ(testing::readFile(folder.path() / "small.gif"), "s");
}

}  // namespace
}  // namespace tessaly
