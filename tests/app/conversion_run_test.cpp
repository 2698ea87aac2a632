// The conversion run's control flow, driven through a fake host.

#include "app/conversion_run.h"

#include <gtest/gtest.h>

#include "app/worksheet_target.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::TempDir;

struct Message {
    std::string title, text;
    MessageIcon icon;
};

class FakeHost : public RunHost {
public:
    explicit FakeHost(std::string folder) : folder_(std::move(folder)) {}
    std::string BrowseForFolder(const std::string& prompt) override {
        prompts.push_back(prompt);
        return folder_;
    }
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
        messages.push_back({title, text, icon});
        if (!watchedFile.empty()) watchedFileAtMessage.push_back(std::filesystem::exists(watchedFile));
    }
    void showProgress(std::int32_t, const std::string& caption) override { captions.push_back(caption); }
    bool stopRequested() override { return stopAfterCaptions >= 0 && captions.size() >= std::size_t(stopAfterCaptions); }

    std::vector<std::string> prompts, captions;
    std::vector<Message> messages;
    int stopAfterCaptions = -1;
    // Set: whether this file existed when each message was shown.
    std::filesystem::path watchedFile;
    std::vector<bool> watchedFileAtMessage;

private:
    std::string folder_;
};

// What happened to a target, kept by the test (the run owns the target).
struct TargetLog {
    int written = 0;
    bool abandoned = false;
};

// A target that fails on its N-th card (0: when it is opened).
class FailingTarget : public ConversionTarget {
public:
    FailingTarget(int failOnCard, TargetLog& log, bool readsPictures = true)
        : failOnCard_(failOnCard), log_(log), readsPictures_(readsPictures) {}
    bool readsPictureFiles() const override { return readsPictures_; }
    void open(const std::filesystem::path&) override {
        if (failOnCard_ == 0) throw TargetError("cannot create \"/x/t.xls\": Permission denied");
    }
    void write(const ContactRecord&, std::int32_t cardNumber, const std::string&, RunReport&) override {
        if (cardNumber == failOnCard_) throw TargetError("cannot write \"/x/t.xls\": No space left on device");
        ++log_.written;
    }
    std::filesystem::path close(RunReport&) override { return "/x/t.xls"; }
    void abandon() noexcept override { log_.abandoned = true; }

private:
    int failOnCard_;
    TargetLog& log_;
    bool readsPictures_;
};

const std::string kCard = "BEGIN:VCARD\r\nN:Card\r\nEND:VCARD\r\n";

std::string cards(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += kCard;
    return out;
}

TEST(ConversionRun, CancelledFolderChoiceStartsNothing) {
    FakeHost host("");
    bool targetMade = false;
    const RunResult result = runConversion({"/nowhere.vcf", false}, {}, host, [&](TargetKind kind) {
        targetMade = true;
        return makeTarget(kind);
    });
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(targetMade);
    EXPECT_EQ(host.prompts, (std::vector<std::string>{"Choose Folder to Save..."}));
    EXPECT_TRUE(host.messages.empty());
}

TEST(ConversionRun, FolderWithoutVcardFilesLeavesTheTitleRowAndTheFinalMessage) {
    TempDir source, output;
    source.write("readme.txt", kCard);
    FakeHost host(output.path().string());
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(std::filesystem::file_size(output.path() / "vCardContactsExported.xls"), 1405u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Tessaly");
    EXPECT_EQ(host.messages[0].text, finalMessage());
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(finalMessage(),
              "Finished Importing vCards.\r\n"
              "If you failed to see converted contacts then, please try using Advance Mode.\r\n"
              "If you need any more help, please contact us back on support@tessaly.example.");
}

TEST(ConversionRun, CountsRunOnAcrossFilesAndAnUnreadableFileDoesNotStopTheRun) {
    TempDir source, output;
    source.write("a.vcf", cards(2));
    // A file that opens but cannot be read.
    std::filesystem::create_symlink("/proc/self/mem", source.path() / "b.vcf");
    source.write("c.vcf", cards(3));
    source.write("d.vcf", "BEGIN:VCARD\nN:Unix\nEND:VCARD\n");
    FakeHost host(output.path().string());
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_EQ(result.cardsConverted, 5);
    EXPECT_EQ(host.captions.back(), "(5) vCards Saved");
    EXPECT_EQ(host.captions.size(), 5u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
    const std::string& text = host.messages[0].text;
    EXPECT_EQ(text.rfind(finalMessage() + "\r\n\r\n1 file could not be read or stopped early\r\n  " +
                             (source.path() / "b.vcf").string() + ": ",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("1 file had no card in it\r\n  " + (source.path() / "d.vcf").string() +
                        ": no vCard found; its lines end in LF alone: try Advance Mode"),
              std::string::npos)
        << text;
    // Five rows below the titles: the sheet grew by five rows of 36 cells.
    EXPECT_GT(std::filesystem::file_size(output.path() / "vCardContactsExported.xls"), 1405u + 5 * 36 * 12);
}

TEST(ConversionRun, IncompleteCardsAndUndecodablePicturesAreReportedWithTheirPlace) {
    TempDir source, output;
    const auto file = source.write(
        "x.vcf", "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:@@@@\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Open\r\n");
    FakeHost host(output.path().string());
    const RunResult result = runConversion({file, false}, {}, host);
    EXPECT_EQ(result.report.count(ReportKind::CardsIncomplete), 1u);
    EXPECT_EQ(result.report.count(ReportKind::PicturesUndecodable), 1u);
    EXPECT_NE(host.messages.at(0).text.find("1 card was left incomplete or merged\r\n  " + file.string() +
                                            ":4: card has no END:VCARD; it was not converted"),
              std::string::npos);
    EXPECT_NE(host.messages.at(0).text.find("1 picture could not be decoded\r\n  " + file.string() + ":2: "),
              std::string::npos);
}

TEST(ConversionRun, PicturesOfAWorksheetRunAreWrittenAndAFailedOneIsReportedWithItsPlace) {
    TempDir source, output;
    const std::string picture = "PHOTO;ENCODING=BASE64:R0lGODlh\r\n";
    const auto file = source.write("x.vcf", "BEGIN:VCARD\r\n" + picture + "END:VCARD\r\n" +
                                                "BEGIN:VCARD\r\nN:B\r\n" + picture + "END:VCARD\r\n" +
                                                "BEGIN:VCARD\r\n" + picture + "END:VCARD\r\n");
    // A folder where the second card's picture should go.
    std::filesystem::create_directories(output.path() / "vCardPictures" / "1.gif");
    FakeHost host(output.path().string());
    const RunResult result = runConversion({file, false}, {}, host);
    EXPECT_EQ(result.cardsConverted, 3);
    EXPECT_EQ(testing::readFile(output.path() / "vCardPictures" / ".gif"), "GIF89a");
    EXPECT_EQ(testing::readFile(output.path() / "vCardPictures" / "2.gif"), "GIF89a");
    EXPECT_EQ(result.report.count(ReportKind::PicturesNotWritten), 1u);
    EXPECT_NE(host.messages.at(0).text.find(file.string() + ":6: picture file " +
                                            (output.path() / "vCardPictures" / "1.gif").string() +
                                            " could not be written: Is a directory"),
              std::string::npos)
        << host.messages.at(0).text;
    EXPECT_EQ(host.messages.at(0).icon, MessageIcon::Exclamation);
}

TEST(ConversionRun, ATargetThatCannotBeCreatedEndsTheRunBeforeReading) {
    TempDir output;
    FakeHost host(output.path().string());
    TargetLog log;
    const RunResult result = runConversion({"/nowhere.vcf", false}, {}, host,
                                           [&](TargetKind) { return std::make_unique<FailingTarget>(0, log); });
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "cannot create \"/x/t.xls\": Permission denied");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(host.captions.empty());
}

TEST(ConversionRun, ATargetThatFailsMidRunIsAbandonedAndTheRunEndsAtOnce) {
    TempDir source, output;
    source.write("a.vcf", cards(3));
    source.write("b.vcf", cards(3));
    FakeHost host(output.path().string());
    TargetLog log;
    const RunResult result = runConversion({source.path(), true}, {}, host,
                                           [&](TargetKind) { return std::make_unique<FailingTarget>(2, log); });
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.messages.size(), 1u);  // the error, no final message
    EXPECT_EQ(host.messages[0].text, "cannot write \"/x/t.xls\": No space left on device");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(log.written, 1);
    EXPECT_TRUE(log.abandoned);
}

TEST(ConversionRun, PicturesOfCardsReadBeforeATargetFailureAreOnDiskBeforeTheErrorShows) {
    TempDir source, output;
    const std::string card = "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:R0lGODlh\r\nEND:VCARD\r\n";
    const auto file = source.write("x.vcf", card + card + card);
    FakeHost host(output.path().string());
    host.watchedFile = output.path() / "vCardPictures" / "1.gif";  // the second card's
    TargetLog log;
    const RunResult result = runConversion({file, false}, {}, host, [&](TargetKind) {
        return std::make_unique<FailingTarget>(3, log, false);  // pictures written on their own thread
    });
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.watchedFileAtMessage.size(), 1u);
    EXPECT_TRUE(host.watchedFileAtMessage[0]);
}

TEST(ConversionRun, AnOutputFolderThatCannotBeWrittenIsNamedInTheError) {
    TempDir source;
    source.write("a.vcf", cards(1));
    FakeHost host("/dev/null/not-a-folder");
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("/dev/null/not-a-folder/vCardContactsExported.xls"), std::string::npos)
        << host.messages[0].text;
    EXPECT_TRUE(host.captions.empty());
}

TEST(ConversionRun, AStoppedRunKeepsWhatWasConverted) {
    TempDir source, output;
    source.write("a.vcf", cards(5000));
    source.write("b.vcf", cards(10));
    FakeHost host(output.path().string());
    host.stopAfterCaptions = 1;
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_LT(result.cardsConverted, 5010);
    EXPECT_EQ(result.report.count(ReportKind::RunStopped), 1u);
    EXPECT_TRUE(std::filesystem::exists(output.path() / "vCardContactsExported.xls"));
    EXPECT_NE(host.messages.at(0).text.find("The conversion was stopped before the end."), std::string::npos);
}

TEST(RunReportText, KeepsTenPlacesPerKindAndCountsAll) {
    RunReport report;
    EXPECT_TRUE(report.empty());
    for (int i = 1; i <= 12; ++i) report.add(ReportKind::ShortenedValues, 1, "f.vcf:" + std::to_string(i) + ": cut");
    const std::string text = report.text("\n");
    EXPECT_EQ(text.rfind("12 values were cut to 255 characters\n  f.vcf:1: cut\n", 0), 0u);
    EXPECT_NE(text.find("f.vcf:10: cut"), std::string::npos);
    EXPECT_EQ(text.find("f.vcf:11: cut"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
