// Where the time of a .pst conversion goes, stage by stage: reading the cards,
// building the contacts (their properties and the message Outlook stores),
// the picture files (written while the cards are read, read back for the
// contacts), writing the messages into the store, and the close (folders,
// tables, indexes, the file put in place), and the set-up. The stages are the Outlook
// target's own steps taken one at a time with a clock around each; a second
// run through the target itself, with the same fixed store options, must give
// the same file byte for byte, which shows that the steps are the target's.
//   bench_pst_target_stages FILE [normal|advance] [WORK_FOLDER [KEEP_AS]]
// WORK_FOLDER: where the two stores and their pictures go (default: the
// system's temporary folder); they are removed at the end. KEEP_AS: where a
// copy of the target's store is kept, to compare builds with. The target
// writes its messages on a second thread, as a run does; the stages, in line.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/run/outlook_target.h"
#include "outlook/contact_item.h"
#include "outlook/contact_item_writer.h"
#include "outlook/contact_message.h"
#include "outlook/store.h"
#include "outlook/store_session.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_reader.h"

namespace {

using namespace tessaly;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Both runs get the same store: a fixed record key, identifier and time,
// and a fixed clock for the file's name.
pst::PstOptions fixedOptions() {
    pst::PstOptions options;
    options.recordKey = std::array<std::uint8_t, 16>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    options.unique = 0x5EED5EED;
    options.fileTime = 0x01DC000000000000ull;
    return options;
}
std::tm fixedTime() {
    std::tm time{};
    time.tm_year = 126;
    time.tm_mday = 1;
    return time;
}

class NullSink : public CardSink {
public:
    void handOver(const ContactRecord&, std::int32_t, long) override { ++cards; }
    void problem(const ReadProblem&) override { ++problems; }
    int cards = 0;
    int problems = 0;
};

// The target's work on each card, one step at a time, each timed.
class StagedSink : public CardSink {
public:
    explicit StagedSink(outlook::StoreSession& session) : session_(session) {}

    void handOver(const ContactRecord& record, std::int32_t, long) override {
        const auto start = Clock::now();
        const auto store = session_.objSession().GetStoreFromID(session_.PSTStoreID());
        const auto folder = store->GetDefaultFolder(outlook::kContactsFolder);
        const auto item = folder->Items()->Add(outlook::kContactItem);
        // CreateContactItem's steps, one at a time.
        outlook::ContactItemOutcome outcome;
        outlook::setContactProperties(item.get(), record, outcome);
        const auto fieldsSet = Clock::now();
        outlook::addContactPicture(item.get(), record, outcome);
        if (!record.ePhoto.empty()) ++pictures;
        const auto pictureRead = Clock::now();
        outlook::setContactDates(item.get(), record, outcome);
        failures += static_cast<int>(outcome.failures.size());
        // What ContactItem::Save does, in its two parts.
        pst::PstFile& file = store->state().file();
        const pst::Nid nid = file.reserveMessageNid();
        pst::Message message = outlook::contactMessage(item->content(), file.entryId(nid));
        const auto built = Clock::now();
        file.addMessage(folder->nid(), std::move(message), nid);
        const auto written = Clock::now();
        building += (fieldsSet - start) + (built - pictureRead);
        picturesRead += pictureRead - fieldsSet;
        writing += written - built;
        ++cards;
    }
    void problem(const ReadProblem&) override { ++problems; }

    Clock::duration building{}, picturesRead{}, writing{};
    int cards = 0, problems = 0, failures = 0, pictures = 0;

private:
    outlook::StoreSession& session_;
};

// The target as the run calls it.
class TargetSink : public CardSink {
public:
    explicit TargetSink(OutlookTarget& target) : target_(target) {}
    void handOver(const ContactRecord& record, std::int32_t cardNumber, long line) override {
        target_.write(record, CardPlace{file_, line, cardNumber}, report);
    }
    void problem(const ReadProblem&) override {}
    RunReport report;

private:
    OutlookTarget& target_;
    const std::string file_ = "card";
};

bool sameBytes(const fs::path& a, const fs::path& b) {
    if (fs::file_size(a) != fs::file_size(b)) return false;
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    std::string x(1 << 20, '\0'), y(1 << 20, '\0');
    while (first && second) {
        first.read(x.data(), static_cast<std::streamsize>(x.size()));
        second.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (first.gcount() != second.gcount() || x.compare(0, static_cast<std::size_t>(first.gcount()), y, 0,
                                                           static_cast<std::size_t>(second.gcount())) != 0)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: bench_pst_target_stages FILE [normal|advance] [WORK_FOLDER [KEEP_AS]]\n");
        return 2;
    }
    const std::string input = argv[1];
    ReaderOptions options;
    if (argc > 2 && std::string(argv[2]) == "advance") options.mode = ReadMode::Advance;
    std::string work = ((argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path()) / "tessaly-stages-XXXXXX").string();
    if (mkdtemp(work.data()) == nullptr) {
        std::perror(work.c_str());
        return 1;
    }
    const fs::path stagedFolder = fs::path(work) / "stages", targetFolder = fs::path(work) / "target";
    fs::create_directories(stagedFolder);
    fs::create_directories(targetFolder);
    int status = 0;
    try {
        // (a) The reader alone, no picture file written.
        NullSink nothing;
        std::int32_t counter = 1;
        auto start = Clock::now();
        ReadvCard(input, counter, options, nothing);
        const Clock::duration reading = Clock::now() - start;

        // The target's steps: the reader writes picture files as it goes, as
        // it does for the Outlook target, which reads them back at once.
        outlook::StoreSession session(fixedTime, fixedOptions());
        start = Clock::now();
        session.open(stagedFolder);
        const Clock::duration setUp = Clock::now() - start;
        StagedSink staged(session);
        options.pictureFolder = stagedFolder / "vCardPictures";
        counter = 1;
        start = Clock::now();
        ReadvCard(input, counter, options, staged);
        const Clock::duration inReader = Clock::now() - start - staged.building - staged.picturesRead - staged.writing;
        start = Clock::now();
        session.close();
        const Clock::duration closing = Clock::now() - start;
        const fs::path stagedFile = session.PSTPath();

        // The same cards through the target itself.
        start = Clock::now();
        fs::path targetFile;
        {
            pst::PstOptions inBackground = fixedOptions();
            inBackground.writeInBackground = true;
            OutlookTarget target(fixedTime, inBackground);
            target.open(targetFolder);
            TargetSink sink(target);
            options.pictureFolder = targetFolder / "vCardPictures";
            counter = 1;
            ReadvCard(input, counter, options, sink);
            targetFile = target.close(sink.report);
        }
        const Clock::duration targetTotal = Clock::now() - start;

        // Picture files written: what the reader took beyond reading alone.
        const Clock::duration picturesWritten = inReader > reading ? inReader - reading : Clock::duration{};
        const struct {
            const char* name;
            Clock::duration time;
        } stages[] = {
            {"reading (the reader alone)", inReader - picturesWritten},
            {"contact building (item properties, message)", staged.building},
            {"pictures (files written, read back)", picturesWritten + staged.picturesRead},
            {"PST writing (the store's addMessage)", staged.writing},
            {"close (folders, tables, indexes, rename)", closing},
            {"set-up (session, new store)", setUp},
        };
        Clock::duration total{};
        for (const auto& stage : stages) total += stage.time;
        std::printf("%s: %d cards, %.1f MB, %ju bytes of PST; %d statements or pictures failed\n", input.c_str(),
                    staged.cards, static_cast<double>(fs::file_size(input)) / 1e6,
                    static_cast<std::uintmax_t>(fs::file_size(stagedFile)), staged.failures);
        for (const auto& stage : stages)
            std::printf("  %-46s %7.3f s  %5.1f%%\n", stage.name, seconds(stage.time),
                        100.0 * seconds(stage.time) / seconds(total));
        std::printf("  %-46s %7.3f s  (%.0f cards/s)\n", "total", seconds(total), staged.cards / seconds(total));
        std::printf("  pictures: %d, files written %.3f s, read back %.3f s\n", staged.pictures, seconds(picturesWritten),
                    seconds(staged.picturesRead));
        const bool same = sameBytes(stagedFile, targetFile);
        std::printf("  the target itself on the same cards: %.3f s; the same file: %s\n", seconds(targetTotal),
                    same ? "yes" : "NO (the stages no longer follow CreateContactItem)");
        if (!same) status = 1;
        if (argc > 4) fs::copy_file(targetFile, argv[4], fs::copy_options::overwrite_existing);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return status;
}
