// The conversion run's control flow, driven through a fake host.

#include "app/run/conversion_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_files.h"
#include "vcard/byte_source.h"
#include "vcard/vcard_read_error.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

struct Message {
    std::string title, text;
    MessageIcon icon;
    bool watchedFileExisted;
};

class FakeHost : public RunHost {
public:
    explicit FakeHost(std::string folder) : folder(std::move(folder)) {}
    std::string BrowseForFolder(const std::string& prompt) override {
        prompts.push_back(prompt);
        return folder;
    }
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
        messages.push_back({title, text, icon, !watchedFile.empty() && fs::exists(watchedFile)});
    }
    void showProgress(std::int32_t, const std::string& caption) override { captions.push_back(caption); }
    bool stopRequested() override { return stopAfterCaptions > 0 && captions.size() >= stopAfterCaptions; }

    std::string folder;
    std::vector<std::string> prompts, captions;
    std::vector<Message> messages;
    std::size_t stopAfterCaptions = 0;  // 0: never
    fs::path watchedFile;
};

// A target that cannot write the third card. It counts into the test's
// `written` and `abandoned`, since the run owns the target.
struct ThirdCardFails : ConversionTarget {
    ThirdCardFails(int& written, bool& abandoned) : written(written), abandoned(abandoned) {}
    void open(const fs::path&) override {}
    bool write(const ContactRecord&, const CardPlace& place, RunReport&) override {
        if (place.cardNumber == 3) throw TargetError("cannot write \"/x/t.xls\": No space left on device");
        ++written;
        return true;
    }
    fs::path close(RunReport&) override { return "/x/t.xls"; }
    void abandon() noexcept override { abandoned = true; }
    int& written;
    bool& abandoned;
};

std::string cards(int n, const std::string& card = "BEGIN:VCARD\r\nN:Card\r\nEND:VCARD\r\n") {
    std::string out;
    for (int i = 0; i < n; ++i) out += card;
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
    source.write("readme.txt", cards(1));
    FakeHost host(output.path().string());
    EXPECT_TRUE(runConversion({source.path(), true}, {}, host).started);
    EXPECT_EQ(fs::file_size(output.path() / "vCardContactsExported.xls"), 1421u);  // the title row alone
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Tessaly");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(host.messages[0].text,
              "Finished Importing vCards.\r\n"
              "If you failed to see converted contacts then, please try using Advance Mode.\r\n"
              "If you need any more help, please contact us back on support@tessaly.example.");
}

TEST(ConversionRun, CountsRunOnAcrossFilesAndEveryProblemIsReportedWithItsPlaceWhileTheRunGoesOn) {
    TempDir source, output;
    const std::string picture = "PHOTO;ENCODING=BASE64:R0lGODlh\r\n";
    const auto file = source.write("a.vcf", "BEGIN:VCARD\r\n" + picture + "END:VCARD\r\n" +               // .gif
                                                "BEGIN:VCARD\r\nN:B\r\nBDAY:00500101\r\n" + picture +
                                                "END:VCARD\r\n" +  // 1.gif, line 7
                                                "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:@@@@\r\nEND:VCARD\r\n" +
                                                "BEGIN:VCARD\r\n" + picture + "END:VCARD\r\nBEGIN:VCARD\r\nN:Open\r\n");
    fs::create_symlink("/proc/self/mem", source.path() / "b.vcf");  // opens but cannot be read
    source.write("c.vcf", cards(2));
    source.write("d.vcf", "BEGIN:VCARD\nN:Unix\nEND:VCARD\n");
    fs::create_directories(output.path() / "vCardPictures" / "1.gif");  // in the second picture's way
    FakeHost host(output.path().string());
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_EQ(result.cardsConverted, 6);
    EXPECT_EQ(host.captions.size(), 6u);
    EXPECT_EQ(host.captions.back(), "(6) vCards Saved");
    EXPECT_EQ(testing::readFile(output.path() / "vCardPictures" / ".gif"), "GIF89a");
    EXPECT_EQ(testing::readFile(output.path() / "vCardPictures" / "3.gif"), "GIF89a");
    for (const ReportKind kind :
         {ReportKind::PicturesNotWritten, ReportKind::PicturesUndecodable, ReportKind::CardsIncomplete})
        EXPECT_EQ(result.report.count(kind), 1u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
    const std::string& text = host.messages[0].text;
    EXPECT_EQ(text.rfind(finalMessage() + "\r\n\r\n", 0), 0u) << text;
    for (const std::string& place :
         {"1 file could not be read or stopped early\r\n  " + (source.path() / "b.vcf").string() + ": ",
          "1 file had no card in it\r\n  " + (source.path() / "d.vcf").string() +
              ": no vCard found; its lines end in LF alone: try Advance Mode",
          file.string() + ":7: picture file " + (output.path() / "vCardPictures" / "1.gif").string() +
              " could not be written: Is a directory",
          "1 picture could not be decoded\r\n  " + file.string() + ":10: ",
          "1 card was left incomplete or merged\r\n  " + file.string() +
              ":15: card has no END:VCARD; it was not converted",
          // The year 50 is before the sheet's first.
          "1 date was left out: the sheet shows the years 100 to 9999 only\r\n  " + file.string() +
              ":4: card 2: 1 date left out"})
        EXPECT_NE(text.find(place), std::string::npos) << place << "\n" << text;
    // Six rows of 36 cells below the titles.
    EXPECT_GT(fs::file_size(output.path() / "vCardContactsExported.xls"), 1421u + 6 * 36 * 12);
}

TEST(ConversionRun, ASourceFileThatVanishesMidRunIsReportedAndTheRunGoesOn) {
    TempDir source, output;
    source.write("a.vcf", cards(3));
    const auto gone = source.write("b.vcf", cards(2));
    source.write("c.vcf", cards(1));
    // Removes b.vcf once the first card is shown, after the folder was listed.
    struct RemovingHost : FakeHost {
        using FakeHost::FakeHost;
        void showProgress(std::int32_t count, const std::string& caption) override {
            if (count == 1) fs::remove(victim);
            FakeHost::showProgress(count, caption);
        }
        fs::path victim;
    } host(output.path().string());
    host.victim = gone;
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_FALSE(result.targetFailed);
    EXPECT_EQ(result.cardsConverted, 4);
    EXPECT_EQ(result.report.count(ReportKind::FilesNotRead), 1u);
    const std::string& text = host.messages.at(0).text;
    EXPECT_NE(text.find(gone.string() + ": "), std::string::npos) << text;
    EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
}

TEST(ConversionRun, APictureNeverReplacesOneOfTheSameRunButOneOfAnEarlierRun) {
    TempDir source, output;
    // The first card of each file, and the second of the first file, carry a
    // picture; each file's places count from its own first card.
    const auto photo = [](const std::string& base64) {
        return "BEGIN:VCARD\r\nPHOTO;ENCODING=b:" + base64 + "\r\nEND:VCARD\r\n";
    };
    source.write("a.vcf", photo("Zmlyc3Qgb2YgYQ==") + photo("c2Vjb25kIG9mIGE="));  // "first of a", "second of a"
    source.write("b.vcf", photo("Zmlyc3Qgb2YgYg=="));                              // "first of b"
    source.write("c.vcf", photo("Zmlyc3Qgb2YgYw=="));                              // "first of c"
    const auto pictures = output.path() / "vCardPictures";
    for (const char* run : {"first run", "second run"}) {
        FakeHost host(output.path().string());
        runConversion({source.path(), true}, {}, host);
        EXPECT_EQ(testing::readFile(pictures / ".gif"), "first of a") << run;
        EXPECT_EQ(testing::readFile(pictures / "1.gif"), "second of a") << run;
        EXPECT_EQ(testing::readFile(pictures / " (2).gif"), "first of b") << run;
        EXPECT_EQ(testing::readFile(pictures / " (3).gif"), "first of c") << run;
        // The second run replaced the first run's files rather than adding to them.
        EXPECT_EQ(std::distance(fs::directory_iterator(pictures), {}), 4) << run;
    }
}

TEST(ConversionRun, ATargetThatCannotBeCreatedEndsTheRunBeforeReadingWithTheFileNamed) {
    TempDir source;
    source.write("a.vcf", cards(1));
    FakeHost host("/dev/null/not-a-folder");
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("/dev/null/not-a-folder/vCardContactsExported.xls"), std::string::npos)
        << host.messages[0].text;
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(host.captions.empty());
}

TEST(ConversionRun, ATargetThatFailsMidRunIsAbandonedAndTheRunEndsAtOnceWithPicturesReadOnDisk) {
    TempDir source, output;
    source.write("a.vcf", cards(3, "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:R0lGODlh\r\nEND:VCARD\r\n"));
    source.write("b.vcf", cards(3));
    FakeHost host(output.path().string());
    host.watchedFile = output.path() / "vCardPictures" / "1.gif";  // the second card's
    int written = 0;
    bool abandoned = false;
    const RunResult result = runConversion({source.path(), true}, {}, host, [&](TargetKind) {
        return std::make_unique<ThirdCardFails>(written, abandoned);
    });
    EXPECT_TRUE(result.targetFailed);
    ASSERT_EQ(host.messages.size(), 1u);  // the error, no final message
    EXPECT_EQ(host.messages[0].text, "cannot write \"/x/t.xls\": No space left on device");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(host.messages[0].watchedFileExisted);
    EXPECT_EQ(written, 2);
    EXPECT_TRUE(abandoned);
}

TEST(ConversionRun, AStoppedRunKeepsWhatWasConverted) {
    TempDir source, output;
    source.write("a.vcf", cards(5000));
    source.write("b.vcf", cards(10));
    FakeHost host(output.path().string());
    host.stopAfterCaptions = 1;
    const RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_LT(result.cardsConverted, 5000);  // stopped inside the first file
    EXPECT_EQ(result.report.count(ReportKind::RunStopped), 1u);
    EXPECT_TRUE(fs::exists(output.path() / "vCardContactsExported.xls"));
    EXPECT_NE(host.messages.at(0).text.find("The conversion was stopped before the end."), std::string::npos);
}

// What a folder lists but cannot be read is reported; when nothing can be
// read no target is opened, so an earlier sheet stays as it was.
TEST(ConversionRun, ABrokenLinkIsReportedAndSourcesNoneOfWhichCanBeReadOpenNoTarget) {
    TempDir source, output;
    source.write("a.vcf", cards(1));
    fs::create_symlink(source.path() / "moved.vcf", source.path() / "gone.vcf");
    FakeHost host(output.path().string());
    RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_EQ(result.cardsConverted, 1);
    EXPECT_NE(host.messages.at(0).text.find("1 file could not be read or stopped early\r\n  " +
                                            (source.path() / "gone.vcf").string() + ": a link to " +
                                            (source.path() / "moved.vcf").string() + ", which does not exist"),
              std::string::npos)
        << host.messages[0].text;

    fs::remove(source.path() / "a.vcf");
    ::mkfifo((source.path() / "pipe.vcf").c_str(), 0600);
    testing::writeFile(output.path() / "vCardContactsExported.xls", "an earlier sheet");
    for (const TargetKind kind : {TargetKind::Worksheet, TargetKind::Outlook}) {
        FakeHost unreadable(output.path().string());
        result = runConversion({source.path(), true}, {ReadMode::Normal, kind}, unreadable);
        EXPECT_FALSE(result.targetFailed);
        EXPECT_TRUE(result.output.empty());
        ASSERT_EQ(unreadable.messages.size(), 1u);
        EXPECT_EQ(unreadable.messages[0].text,
                  "No vCard file could be read: nothing was converted, and no file was written or changed.\r\n\r\n"
                  "2 files could not be read or stopped early\r\n  " +
                      (source.path() / "gone.vcf").string() + ": a link to " +
                      (source.path() / "moved.vcf").string() + ", which does not exist\r\n  " +
                      (source.path() / "pipe.vcf").string() + ": not a regular file; it was not read");
        EXPECT_EQ(unreadable.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(unreadable.captions.empty());
        EXPECT_EQ(testing::folderEntries(output.path()), std::vector<fs::path>{"vCardContactsExported.xls"});
    }
}

// A folder others can write in: a .vcf link planted there that leads out of
// the folder (to the user's private contacts) is reported and not read; a
// link to a file of the folder is read; a file the user named through a link
// is read.
TEST(ConversionRun, ALinkOutOfTheSourceFolderIsNotFollowed) {
    TempDir source, elsewhere, output;
    source.write("a.vcf", cards(1));
    const fs::path privateCards = elsewhere.write("my-contacts.vcf", cards(5));
    fs::create_symlink(privateCards, source.path() / "b.vcf");
    fs::create_symlink(source.path() / "a.vcf", source.path() / "c.vcf");
    FakeHost host(output.path().string());
    RunResult result = runConversion({source.path(), true}, {}, host);
    EXPECT_EQ(result.cardsConverted, 2);  // a.vcf, and a.vcf again through c.vcf
    EXPECT_NE(host.messages.at(0).text.find("1 file could not be read or stopped early\r\n  " +
                                            (source.path() / "b.vcf").string() + ": a link to " +
                                            fs::canonical(privateCards).string() +
                                            ", outside the folder; it was not followed"),
              std::string::npos)
        << host.messages[0].text;

    FakeHost named(output.path().string());
    result = runConversion({source.path() / "b.vcf", false}, {}, named);
    EXPECT_EQ(result.cardsConverted, 5);
}

// A file swapped for a pipe or a link after it was listed is refused at once
// when it is opened, never waited on or followed.
TEST(ByteSourceOpening, APipeOrALinkAtTheNameIsRefusedAtOnce) {
    TempDir dir;
    const fs::path pipe = dir.path() / "pipe.vcf";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path link = dir.path() / "link.vcf";
    fs::create_symlink(dir.write("real.vcf", cards(1)), link);
    const std::pair<fs::path, std::string> cases[] = {{pipe, "not a regular file; it was not read"},
                                                      {link, "is a link; it was not followed"},
                                                      {dir.path(), "is a folder, not a file"}};
    for (const auto& [path, cause] : cases) {
        try {
            ByteSource opened(path.string());
            ADD_FAILURE() << path << " was opened";
        } catch (const VcardReadError& error) {
            EXPECT_EQ(error.cause(), cause);
        }
    }
}

// The output folder: a link at its own name is refused before anything is
// written; links on the way to it are resolved, so the report names the
// folder the files went to; a folder every user can write in without the
// sticky bit is named in a warning, which is no problem of the run.
TEST(ConversionRun, TheOutputFolderIsTheRealOneAndASharedOneIsNamed) {
    TempDir source, dir;
    source.write("a.vcf", cards(1));
    fs::create_directory(dir.path() / "real");
    fs::create_directory_symlink(dir.path() / "real", dir.path() / "link");
    FakeHost linked((dir.path() / "link").string() + "/");
    RunResult result = runConversion({source.path(), true}, {}, linked);
    EXPECT_TRUE(result.targetFailed);
    EXPECT_EQ(linked.messages.at(0).text, (dir.path() / "link").string() +
                                              ": the output folder's name is a link; no file is written through "
                                              "it. Choose the folder it leads to.");
    EXPECT_TRUE(fs::is_empty(dir.path() / "real"));

    fs::create_directory(dir.path() / "real" / "shared");
    fs::permissions(dir.path() / "real" / "shared", fs::perms::all);
    FakeHost throughLink((dir.path() / "link" / "shared").string());
    result = runConversion({source.path(), true}, {}, throughLink);
    EXPECT_EQ(result.output, dir.path() / "real" / "shared" / "vCardContactsExported.xls");
    EXPECT_FALSE(result.report.hasProblems());
    EXPECT_NE(throughLink.messages.at(0).text.find("Warning: the output folder is not yours alone.\r\n  " +
                                                   (dir.path() / "real" / "shared").string() +
                                                   " can be written by every user and has no sticky bit"),
              std::string::npos)
        << throughLink.messages[0].text;

    fs::permissions(dir.path() / "real" / "shared", fs::perms::sticky_bit, fs::perm_options::add);
    FakeHost sticky((dir.path() / "real" / "shared").string());
    result = runConversion({source.path(), true}, {}, sticky);
    EXPECT_EQ(result.report.count(ReportKind::OutputFolderShared), 0u);
}

// The output folder is opened once, when it is checked: a folder swapped for
// a link after that (by whoever can write its parent) redirects nothing, for
// the sheet, the store and the pictures alike; every file goes to the folder
// that was checked, and the report names it.
TEST(ConversionRun, AnOutputFolderSwappedForALinkAfterItWasCheckedStillGetsEveryFile) {
    TempDir source, dir;
    source.write("a.vcf", "BEGIN:VCARD\r\nN:Card\r\nPHOTO;ENCODING=BASE64:R0lGODlh\r\nEND:VCARD\r\n");
    for (const TargetKind kind : {TargetKind::Worksheet, TargetKind::Outlook}) {
        const fs::path chosen = dir.path() / "out", moved = dir.path() / "moved", elsewhere = dir.path() / "elsewhere";
        fs::remove_all(chosen);
        fs::remove_all(moved);
        fs::remove_all(elsewhere);
        fs::create_directory(chosen);
        fs::create_directory(elsewhere);
        FakeHost host(chosen.string());
        RunOptions options;
        options.target = kind;
        const RunResult result = runConversion({source.path(), true}, options, host, [&](TargetKind made) {
            fs::rename(chosen, moved);
            fs::create_directory_symlink(elsewhere, chosen);
            return makeTarget(made);
        });
        EXPECT_TRUE(fs::is_empty(elsewhere)) << static_cast<int>(kind);
        EXPECT_EQ(result.cardsConverted, 1);
        EXPECT_TRUE(fs::exists(moved / "vCardPictures" / ".gif"));
        EXPECT_EQ(result.output.parent_path(), moved);
        EXPECT_TRUE(fs::exists(result.output)) << result.output;
    }
}

// Auto mode reads each file in the mode its line ends call for and notes the
// files read in Advance Mode, which is no problem.
TEST(ConversionRun, AutoModeChoosesPerFileAndNotesAdvanceMode) {
    TempDir source, output;
    source.write("a.vcf", cards(2));
    source.write("b.vcf", "BEGIN:VCARD\nN:Lf\nEND:VCARD\n");
    FakeHost host(output.path().string());
    const RunResult result = runConversion({source.path(), true}, {ReadMode::Auto}, host);
    EXPECT_EQ(result.cardsConverted, 3);
    EXPECT_EQ(result.report.count(ReportKind::FilesReadInAdvanceMode), 1u);
    EXPECT_FALSE(result.report.hasProblems());
    EXPECT_EQ(host.messages.at(0).icon, MessageIcon::Information);
    EXPECT_NE(host.messages[0].text.find("1 file was read in Advance Mode: it has lines that end in LF alone\r\n  " +
                                         (source.path() / "b.vcf").string()),
              std::string::npos)
        << host.messages[0].text;
    EXPECT_EQ(host.captions.back(), "(3) vCards Saved");
}

// Values a target has no place for are reported by target, each with its
// file, line, card and property, in the order of their lines: those the
// record holds in no field, and those in fields the target lacks. Past ten
// places they are still counted.
TEST(ConversionRun, ValuesWithoutPlaceAreReportedPerTargetWithTheirPlaces) {
    TempDir source;
    const auto file = source.write("a.vcf", "BEGIN:VCARD\r\nN:Doe\r\nTEL;TYPE=CAR:1\r\nEMAIL:a@x\r\nEMAIL:b@x\r\n"
                                            "EMAIL:c@x\r\nEMAIL:d@x\r\nEMAIL:e@x\r\nX-CUSTOM:kept?\r\n"
                                            "GENDER:O\r\nEND:VCARD\r\n" +
                                                cards(12, "BEGIN:VCARD\r\nNICKNAME:n\r\nEND:VCARD\r\n"));
    const std::string where = file.string() + ":";
    for (const TargetKind kind : {TargetKind::Worksheet, TargetKind::Outlook}) {
        TempDir output;
        FakeHost host(output.path().string());
        RunOptions options;
        options.target = kind;
        const RunResult result = runConversion({file, false}, options, host);
        const std::string text = result.report.text("\n");
        if (kind == TargetKind::Worksheet) {
            EXPECT_EQ(result.report.count(ReportKind::ValuesWithoutPlaceInSheet), 4u + 12u) << text;
            EXPECT_NE(text.find("16 values had no place in the worksheet\n  " + where + "3: card 1: TEL (a car phone "
                                "number)\n  " + where + "8: card 1: EMAIL (a further e-mail address)\n  " + where +
                                "9: card 1: X-CUSTOM\n  " + where + "10: card 1: GENDER (a gender)\n  " + where +
                                "13: card 2: NICKNAME (a nickname)\n"),
                      std::string::npos)
                << text;
        } else {
            EXPECT_EQ(result.report.count(ReportKind::ValuesWithoutPlaceInContact), 4u) << text;
            EXPECT_NE(text.find("4 values had no place in the Outlook contact\n  " + where + "7: card 1: EMAIL (a "
                                "fourth e-mail address)\n  " + where + "8: card 1: EMAIL (a further e-mail "
                                "address)\n  " + where + "9: card 1: X-CUSTOM\n  " + where + "10: card 1: GENDER "
                                "(a gender other than female or male)"),
                      std::string::npos)
                << text;
        }
        EXPECT_TRUE(result.report.hasProblems());
    }
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
