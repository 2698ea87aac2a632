#include "app/run/conversion_run.h"

#include <charconv>
#include <optional>
#include <system_error>

#include "app/run/output_folder.h"
#include "app/run/source_files.h"
#include "vcard/byte_source.h"
#include "vcard/picture_file_writer.h"
#include "vcard/picture_names.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_reader.h"

#ifndef TESSALY_SUPPORT_ADDRESS
#define TESSALY_SUPPORT_ADDRESS "support@tessaly.example"
#endif

namespace tessaly {

namespace {

const char* const kLineBreak = "\r\n";

// Hands the reader's cards to the target and its problems to the report.
class RunSink : public CardSink {
public:
    RunSink(ConversionTarget& target, RunHost& host, RunReport& report)
        : target_(target), host_(host), report_(report) {}

    void setFile(const std::string& file) { file_ = file; }

    void handOver(const ContactRecord& record, std::int32_t cardNumber, long line) override {
        if (target_.write(record, CardPlace{file_, line, cardNumber}, report_)) ++converted_;
        // The caption counts the cards the target took, not those read. One
        // buffer for every card's caption: no allocation per card.
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, converted_).ptr;
        caption_.assign("(").append(digits, end).append(") vCards Saved");
        host_.showProgress(converted_, caption_);
    }

    std::int32_t converted() const { return converted_; }

    void problem(const ReadProblem& problem) override {
        ReportKind kind = ReportKind::CardsIncomplete;
        if (problem.kind == ReadProblemKind::PictureUndecodable) kind = ReportKind::PicturesUndecodable;
        if (problem.kind == ReadProblemKind::PictureNotWritten) kind = ReportKind::PicturesNotWritten;
        if (problem.kind == ReadProblemKind::NulCharacterLeftOut) kind = ReportKind::NulCharactersLeftOut;
        report_.add(kind, problem.count, reportPlace(problem.file, problem.line, problem.cause));
    }

    bool keepReading() override {
        host_.processEvents();
        return !host_.stopRequested();
    }

private:
    ConversionTarget& target_;
    RunHost& host_;
    RunReport& report_;
    std::string file_;
    std::string caption_;
    std::int32_t converted_ = 0;
};

// Ends a run whose target failed: its unfinished file is dropped and the user
// is told which file and why.
void failTarget(ConversionTarget& target, RunHost& host, RunResult& result, const TargetError& error) {
    target.abandon();
    result.targetFailed = true;
    host.showMessage(error.title(), error.what(), error.icon());
}

// Tries each file from the first on until one opens, noting those that do
// not; returns the index of the first that opens (the size when none does).
std::size_t skipUnreadable(const std::vector<std::filesystem::path>& files, RunReport& report) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            ByteSource probe(files[i].string());
            return i;
        } catch (const VcardReadError& error) {
            report.add(ReportKind::FilesNotRead, 1, reportPlace(error.file(), error.line(), error.cause()));
        }
    }
    return files.size();
}

std::string nothingReadMessage(const RunReport& report) {
    return std::string("No vCard file could be read: nothing was converted, and no file was written or changed.") +
           kLineBreak + kLineBreak + report.text(kLineBreak);
}

}  // namespace

std::string finalMessage() {
    return std::string("Finished Importing vCards.") + kLineBreak +
           "If you failed to see converted contacts then, please try using Advance Mode." + kLineBreak +
           "If you need any more help, please contact us back on " TESSALY_SUPPORT_ADDRESS ".";
}

RunResult runConversion(const RunSource& source, const RunOptions& options, RunHost& host,
                        const TargetMaker& makeTargetOfKind) {
    RunResult result;
    const std::string folder = host.BrowseForFolder("Choose Folder to Save...");
    host.processEvents();
    if (folder.empty()) return result;
    result.started = true;
    std::filesystem::path outputFolder;
    // Held to the run's end: every file is made in this folder.
    std::shared_ptr<HeldFolder> heldOutputFolder;
    try {
        const OutputFolder checked = checkOutputFolder(folder);
        outputFolder = checked.path;
        heldOutputFolder = checked.held;
        if (!checked.warning.empty()) result.report.add(ReportKind::OutputFolderShared, 1, checked.warning);
    } catch (const TargetError& error) {
        result.targetFailed = true;
        host.showMessage(error.title(), error.what(), error.icon());
        return result;
    }

    // The sources are looked at before the target is opened: when none of
    // them can be read, no file is created and an earlier one is left as it
    // was.
    std::vector<std::filesystem::path> files;
    bool noneReadable = false;
    if (source.isFolder) {
        try {
            SourceListing listing = listVcardFiles(source.path);
            for (const SkippedSource& skipped : listing.skipped)
                result.report.add(ReportKind::FilesNotRead, 1, reportPlace(skipped.path.string(), 0, skipped.cause));
            noneReadable = listing.files.empty() && !listing.skipped.empty();
            result.folderWithoutVcardFiles = listing.files.empty() && listing.skipped.empty();
            files = std::move(listing.files);
        } catch (const std::filesystem::filesystem_error& error) {
            result.report.add(ReportKind::FilesNotRead, 1,
                              reportPlace(source.path.string(), 0, "the folder cannot be listed: " +
                                                                       error.code().message()));
            noneReadable = true;
        }
    } else {
        files.push_back(chosenSourceFile(source.path));
    }
    const std::size_t firstReadable = skipUnreadable(files, result.report);
    if (!files.empty() && firstReadable == files.size()) noneReadable = true;
    if (noneReadable) {
        host.showMessage("Tessaly", nothingReadMessage(result.report), MessageIcon::Exclamation);
        return result;
    }

    std::unique_ptr<ConversionTarget> target;
    try {
        target = makeTargetOfKind(options.target);
        target->open(outputFolder);
    } catch (const TargetError& error) {
        result.targetFailed = true;
        host.showMessage(error.title(), error.what(), error.icon());
        return result;
    }
    host.processEvents();

    // Creating a file is slow next to reading a card, so pictures are written
    // on a thread of their own. Should no thread be had, they are written in
    // turn as cards are read.
    std::optional<PictureFileWriter> pictureWriter;
    try {
        pictureWriter.emplace();
    } catch (const std::system_error&) {
        pictureWriter.reset();
    }
    ReaderOptions readerOptions;
    readerOptions.mode = options.mode;
    readerOptions.pictureFolder = outputFolder / "vCardPictures";
    readerOptions.pictureWriter = pictureWriter ? &*pictureWriter : nullptr;
    readerOptions.keepPictureBytes = target->storesPictures();
    PictureNames pictureNames;
    readerOptions.pictureNames = &pictureNames;
    RunSink sink(*target, host, result.report);
    const auto reportPictureFailures = [&] {
        if (!pictureWriter) return;
        for (const PictureWriteFailure& failure : pictureWriter->takeFailures())
            sink.problem(ReadProblem{ReadProblemKind::PictureNotWritten, failure.vcardFile, failure.line,
                                     failure.cause});
    };
    // Every picture of the cards read is on disk before the run's last word.
    const auto finishPictures = [&] {
        if (!pictureWriter) return;
        pictureWriter->finish();
        reportPictureFailures();
    };
    std::int32_t cardCounter = 1;
    for (std::size_t i = firstReadable; i < files.size(); ++i) {
        const std::filesystem::path& file = files[i];
        if (host.stopRequested()) break;
        host.processEvents();
        sink.setFile(file.string());
        try {
            const FileReadSummary summary = ReadvCard(file.string(), cardCounter, readerOptions, sink);
            if (options.mode == ReadMode::Auto && summary.mode == ReadMode::Advance)
                result.report.add(ReportKind::FilesReadInAdvanceMode, 1, file.string());
            if (summary.cards == 0 && !summary.stoppedByHost) {
                std::string cause = "no vCard found";
                if (summary.sawLoneLineFeed && options.mode == ReadMode::Normal)
                    cause += "; its lines end in LF alone: try Advance Mode";
                result.report.add(ReportKind::FilesWithoutCards, 1, reportPlace(file.string(), 0, cause));
            }
        } catch (const TargetError& error) {
            finishPictures();
            failTarget(*target, host, result, error);
            result.cardsConverted = sink.converted();
            return result;
        } catch (const VcardReadError& error) {
            result.report.add(ReportKind::FilesNotRead, 1, reportPlace(error.file(), error.line(), error.cause()));
        } catch (const std::exception& error) {
            result.report.add(ReportKind::FilesNotRead, 1, reportPlace(file.string(), 0, error.what()));
        }
        reportPictureFailures();
    }
    finishPictures();
    result.cardsConverted = sink.converted();
    if (host.stopRequested()) result.report.add(ReportKind::RunStopped, 1, "");
    host.processEvents();

    try {
        result.output = target->close(result.report);
        // The file is in the held folder, wherever that folder is now.
        if (heldOutputFolder && result.output.parent_path() == heldOutputFolder->path())
            result.output = heldOutputFolder->currentPath() / result.output.filename();
    } catch (const TargetError& error) {
        failTarget(*target, host, result, error);
        return result;
    }
    host.processEvents();

    std::string message = finalMessage();
    if (!result.report.empty())
        message += std::string(kLineBreak) + kLineBreak + result.report.text(kLineBreak);
    host.showMessage("Tessaly", message,
                     result.report.hasProblems() ? MessageIcon::Exclamation : MessageIcon::Information);
    return result;
}

}  // namespace tessaly
