// Runs whose disk fills while the target is written, for both targets: at every
// 64 KiB of what a clean run writes and at the first 16 places where a unit of the
// file ends (a worksheet record, a store write). Each must end with the file and
// the cause named, leave nothing under a final name and keep an earlier run's
// output as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/run/conversion_run.h"
#include "app/run/outlook_target.h"
#include "support/failing_file_calls.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class SilentHost : public RunHost {
public:
    explicit SilentHost(std::string folder) : folder(std::move(folder)) {}
    std::string BrowseForFolder(const std::string&) override { return folder; }
    void showMessage(const std::string&, const std::string& text, MessageIcon) override { messages.push_back(text); }
    void showProgress(std::int32_t, const std::string&) override {}
    bool stopRequested() override { return false; }
    std::string folder;
    std::vector<std::string> messages;
};

// Counts where each write ends, in bytes written so far.
class RecordingFileCalls : public testing::FailingFileCalls {
public:
    ssize_t pwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset) override {
        const ssize_t written = FailingFileCalls::pwrite(descriptor, data, size, offset);
        if (written > 0) writeEnds.push_back(bytesWritten);
        return written;
    }
    std::vector<std::uint64_t> writeEnds;
};

std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] = testing::readFile(entry.path());
    return contents;
}

// The byte counts, of all a clean run writes, after which the disk fills.
std::vector<std::uint64_t> faultPlaces(std::uint64_t bytesWritten, const std::vector<std::uint64_t>& unitEnds) {
    std::vector<std::uint64_t> places;
    for (std::uint64_t at = 0; at < bytesWritten; at += 64 * 1024) places.push_back(at);
    for (std::size_t i = 0; i < unitEnds.size() && i < 16; ++i) places.push_back(unitEnds[i]);
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    return places;
}

// Where the first worksheet records end: each is a 2-byte type, a 2-byte length
// and that many bytes.
std::vector<std::uint64_t> recordEnds(const std::string& sheet) {
    std::vector<std::uint64_t> ends;
    for (std::size_t at = 0; at + 4 <= sheet.size() && ends.size() < 16;) {
        at += 4 + static_cast<std::uint8_t>(sheet[at + 2]) + 256u * static_cast<std::uint8_t>(sheet[at + 3]);
        ends.push_back(at);
    }
    return ends;
}

TEST(DiskFullRun, EveryPlaceOfBothTargetsNamesTheFileAndKeepsTheEarlierOutput) {
    TempDir source;
    std::string cards;
    for (int i = 0; i < 2000; ++i)
        cards += "BEGIN:VCARD\r\nN:Card" + std::to_string(i) + ";Ann\r\nEMAIL:ann" + std::to_string(i) +
                 "@example.com\r\nNOTE:" + std::string(40, 'n') + "\r\nEND:VCARD\r\n";
    source.write("a.vcf", cards);

    for (const TargetKind kind : {TargetKind::Worksheet, TargetKind::Outlook}) {
        SCOPED_TRACE(kind == TargetKind::Worksheet ? "worksheet" : "store");
        // A clean run gives the finished file and where its units end.
        TempDir clean;
        SilentHost cleanHost(clean.path().string());
        std::vector<std::uint64_t> unitEnds;
        std::uint64_t bytesWritten = 0;  // the store leaves free space unwritten
        {
            RecordingFileCalls recording;
            const RunResult result = runConversion({source.path(), true}, {ReadMode::Normal, kind}, cleanHost);
            ASSERT_FALSE(result.targetFailed) << cleanHost.messages.at(0);
            unitEnds = recording.writeEnds;
            bytesWritten = recording.bytesWritten;
        }
        const auto finished = folderContents(clean.path());
        ASSERT_EQ(finished.size(), 1u);
        const std::string& file = finished.begin()->second;
        if (kind == TargetKind::Worksheet) unitEnds = recordEnds(file);

        // The folder of every faulty run already holds that clean run's output.
        for (const std::uint64_t place : faultPlaces(bytesWritten, unitEnds)) {
            SCOPED_TRACE("full after " + std::to_string(place) + " bytes");
            TempDir output;
            testing::writeFile(output.path() / finished.begin()->first, file);
            SilentHost host(output.path().string());
            testing::FailingFileCalls faults;
            faults.bytesUntilFull = place;
            const RunResult result = runConversion({source.path(), true}, {ReadMode::Normal, kind}, host);
            EXPECT_TRUE(result.targetFailed);
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_NE(host.messages[0].find(output.path().string() + "/"), std::string::npos) << host.messages[0];
            EXPECT_NE(host.messages[0].find("No space left on device"), std::string::npos) << host.messages[0];
            EXPECT_TRUE(folderContents(output.path()) == finished) << "the folder holds more, or the earlier file changed";
        }
    }
}

// Counts the writes tried after the first that failed, and keeps where that
// first one ended.
class FirstFailureRecorder : public testing::FailingFileCalls {
public:
    ssize_t pwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset) override {
        if (failedWrites > 0) ++writesAfterFailure;
        const ssize_t written = FailingFileCalls::pwrite(descriptor, data, size, offset);
        if (written < 0 && failedWrites++ == 0) firstFailureEnd = offset + size;
        return written;
    }
    std::uint64_t firstFailureEnd = 0;
    int failedWrites = 0, writesAfterFailure = 0;
};

class CaptionHost : public SilentHost {
public:
    using SilentHost::SilentHost;
    void showProgress(std::int32_t, const std::string& caption) override { captions.push_back(caption); }
    std::vector<std::string> captions;
};

// A store write that fails ends the run there: the first failure is the cause
// given, no later card is tried, and the caption never counted a card the
// store did not take.
TEST(DiskFullRun, AFailedStoreWriteEndsTheRunWithItsOwnCause) {
    TempDir source, output;
    std::string cards;
    for (int i = 0; i < 3000; ++i)
        cards += "BEGIN:VCARD\r\nN:Card" + std::to_string(i) + "\r\nNOTE:" + std::string(400, 'n') + "\r\nEND:VCARD\r\n";
    source.write("a.vcf", cards);
    CaptionHost host(output.path().string());
    FirstFailureRecorder faults;
    faults.bytesUntilFull = 256 * 1024;
    const RunResult result = runConversion({source.path(), true}, {ReadMode::Normal, TargetKind::Outlook}, host);
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    // The store writes through a buffer: the write it names is the one whose
    // bytes the failed disk write carried, within that write's range.
    const std::string& message = host.messages[0];
    const std::size_t offset = message.find(" bytes at offset ");
    ASSERT_NE(offset, std::string::npos) << message;
    EXPECT_LE(std::stoull(message.substr(offset + 17)), faults.firstFailureEnd) << message;
    EXPECT_TRUE(message.ends_with(" failed: No space left on device")) << message;
    EXPECT_EQ(faults.writesAfterFailure, 0);
    EXPECT_EQ(result.report.count(ReportKind::CardsNotSaved), 0u);
    ASSERT_FALSE(host.captions.empty());
    EXPECT_LT(result.cardsConverted, 3000);
    EXPECT_EQ(host.captions.back(), "(" + std::to_string(result.cardsConverted) + ") vCards Saved");
    EXPECT_TRUE(fs::is_empty(output.path()));
}

// The store written on a second thread ends a run as one written in line does:
// with the same message and folder when the disk fills at any of a range of
// places, and with the same report and file when a card's picture cannot be
// read and the disk does not fill.
TEST(DiskFullRun, AStoreWrittenInBackgroundEndsTheRunAsOneWrittenInLine) {
    TempDir source;
    std::string cards;
    for (int i = 0; i < 1500; ++i) {
        cards += "BEGIN:VCARD\r\nN:Card" + std::to_string(i) + ";Ann\r\nNOTE:" + std::string(300, 'n') + "\r\n";
        if (i % 200 == 7) cards += "PHOTO;ENCODING=BASE64:@@@@\r\n";
        cards += "END:VCARD\r\n";
    }
    source.write("a.vcf", cards);
    const auto makeOutlookTarget = [](bool background) {
        return [background](TargetKind) -> std::unique_ptr<ConversionTarget> {
            pst::PstOptions options = testing::fixedOptions();
            options.writeInBackground = background;
            const auto firstOf2026 = [] {
                std::tm time{};
                time.tm_year = 126;
                time.tm_mday = 1;
                return time;
            };
            return std::make_unique<OutlookTarget>(firstOf2026, options);
        };
    };
    for (const std::uint64_t place : {std::uint64_t{0}, std::uint64_t{70000}, std::uint64_t{1} << 20,
                                      std::uint64_t{2} << 20, UINT64_MAX}) {
        SCOPED_TRACE("full after " + std::to_string(place) + " bytes");
        std::vector<std::string> messages[2];
        std::map<std::string, std::string> folders[2];
        for (const bool background : {false, true}) {
            TempDir output;
            SilentHost host(output.path().string());
            testing::FailingFileCalls faults;
            faults.bytesUntilFull = place;
            const RunResult result =
                runConversion({source.path(), true}, {ReadMode::Normal, TargetKind::Outlook}, host, makeOutlookTarget(background));
            EXPECT_EQ(result.targetFailed, place != UINT64_MAX);
            // The folders differ: the messages are compared as of one.
            for (std::string message : host.messages) {
                for (std::size_t at; (at = message.find(output.path().string())) != std::string::npos;)
                    message.replace(at, output.path().string().size(), "OUT");
                messages[background].push_back(message);
            }
            folders[background] = folderContents(output.path());
        }
        ASSERT_EQ(messages[1].size(), 1u);
        EXPECT_EQ(messages[1], messages[0]);
        if (place == UINT64_MAX) {
            EXPECT_NE(messages[1][0].find("a.vcf:"), std::string::npos) << "the pictures are reported";
            EXPECT_EQ(folders[1].size(), 1u);
        }
        EXPECT_TRUE(folders[1] == folders[0]);
    }
}

}  // namespace
}  // namespace tessaly
