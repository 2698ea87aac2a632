// The vCard reader on any bytes, in both reading modes and once more with a
// short line limit. Each card is put through what the targets do with it: a
// row of a sheet and the message of a contact item. What the reader hands
// over is checked against its promises: texts in UTF-8, whole-day dates of a
// real calendar day, cards numbered one after another and counted in the
// summary, problems that say where and why.

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "biff/contact_sheet.h"
#include "common/utf8.h"
#include "fuzz/fuzz_entry_points.h"
#include "fuzz/fuzz_fault.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scratch_folder.h"
#include "outlook/contact_item.h"
#include "outlook/contact_item_writer.h"
#include "vcard/vcard_date.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_reader.h"

namespace tessaly::fuzz {

namespace {

constexpr const char* kTarget = "vcard_reader";

// The largest file vcard_repeated makes: large enough that work growing with
// the square of the file's length takes minutes, small enough that reading it
// takes well under a second in the fuzz build.
constexpr std::size_t kRepeatedFileBytes = std::size_t{2} << 20;
// How many of its cards go through the targets' work.
constexpr int kCardsForTargets = 16;

// The input as a file the reader can open by name: a memory file of the
// process, rewritten for each input, so nothing goes to disk.
class MemoryFile {
public:
    MemoryFile() : descriptor_(::memfd_create("vcard-input", MFD_CLOEXEC)) {
        if (descriptor_ < 0) fuzzFault(kTarget, std::string("cannot make a memory file: ") + std::strerror(errno));
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }
    void hold(const char* data, std::size_t size) {
        if (::ftruncate(descriptor_, 0) != 0) fuzzFault(kTarget, std::string("ftruncate: ") + std::strerror(errno));
        std::size_t done = 0;
        while (done < size) {
            const ssize_t written = ::pwrite(descriptor_, data + done, size - done, static_cast<off_t>(done));
            if (written <= 0) fuzzFault(kTarget, std::string("pwrite: ") + std::strerror(errno));
            done += static_cast<std::size_t>(written);
        }
    }
    const std::string& path() const { return path_; }

private:
    int descriptor_;
    std::string path_;
};

// Does with each card what the two targets do: the sheet's row and the
// contact item's properties, picture (when the reader wrote picture files),
// dates and message (without a store to save into), for the first
// `cardsForTargets` cards; and checks what the reader promises of every card.
class TargetsSink : public CardSink {
public:
    TargetsSink(const std::string& file, std::int32_t firstNumber, int cardsForTargets, bool picturesWritten)
        : file_(file), nextNumber_(firstNumber), cardsForTargets_(cardsForTargets), picturesWritten_(picturesWritten) {
        sheet_.open(scratchFolder());
    }
    ~TargetsSink() override { sheet_.abandon(); }

    void handOver(const ContactRecord& record, std::int32_t cardNumber, long line) override {
        if (cardNumber != nextNumber_)
            fuzzFault(kTarget, "card number " + std::to_string(cardNumber) + " where " +
                                   std::to_string(nextNumber_) + " was next");
        ++nextNumber_;
        if (line < 1 || line < lastLine_)
            fuzzFault(kTarget, "card " + std::to_string(cardNumber) + " begins on line " + std::to_string(line) +
                                   ", after a card of line " + std::to_string(lastLine_));
        lastLine_ = line;
        for (const ContactSlot& slot : contactSlots()) {
            if (slot.text && !isValidUtf8(record.*slot.text))
                fuzzFault(kTarget, std::string(slot.name) + " is not UTF-8");
            if (slot.date) checkDate(slot.name, record.*slot.date);
        }
        if (cards++ >= cardsForTargets_) return;
        sheet_.Save2ExcelContact(record, cardNumber);
        outlook::ContactItem item(nullptr, 0);
        outlook::ContactItemOutcome outcome;
        outlook::setContactProperties(&item, record, outcome);
        if (picturesWritten_) {
            outlook::addContactPicture(&item, record, outcome);
            if (!record.ePhoto.empty() && !item.content().picture)
                fuzzFault(kTarget, "the picture file " + record.ePhoto + " the reader wrote cannot be added: " +
                                       outcome.failures.back());
        }
        outlook::setContactDates(&item, record, outcome);
        const pst::Message message = outlook::contactMessage(item.content(), pst::Bytes(24, 0x11));
    }

    void problem(const ReadProblem& problem) override {
        if (problem.file != file_ || problem.line < 1 || problem.cause.empty())
            fuzzFault(kTarget, "a problem without its file, line or cause: " + problem.file + ":" +
                                   std::to_string(problem.line) + ": " + problem.cause);
    }

    void finish() { sheet_.close(); }

    int cards = 0;

private:
    static void checkDate(const char* slot, DateValue date) {
        if (date == 0) return;
        if (!std::isfinite(date) || date != std::floor(date))
            fuzzFault(kTarget, std::string(slot) + " is not a whole day: " + std::to_string(date));
        int year = 0, month = 0, day = 0;
        calendarDateOf(date, year, month, day);
        if (year < 1 || dateValueOf(year, month, day) != date)
            fuzzFault(kTarget, std::string(slot) + " " + std::to_string(date) + " is no calendar day");
    }

    const std::string& file_;
    std::int32_t nextNumber_;
    const int cardsForTargets_;
    const bool picturesWritten_;
    long lastLine_ = 0;
    ContactSheet sheet_{DateTextFormat::iso()};
};

// One reading of the input and what is done with its cards.
struct ReadPass {
    ReadMode mode = ReadMode::Normal;
    std::size_t maxLineBytes = ReaderOptions{}.maxLineBytes;
    int cardsForTargets = std::numeric_limits<int>::max();
    bool writePictures = true;  // into the scratch folder, for the contacts to add
};

void readOnce(const std::string& path, const ReadPass& pass) {
    ReaderOptions options;
    options.mode = pass.mode;
    options.maxLineBytes = pass.maxLineBytes;
    if (pass.writePictures) options.pictureFolder = scratchFolder() / "pictures";
    std::int32_t counter = 1;
    TargetsSink sink(path, counter, pass.cardsForTargets, pass.writePictures);
    try {
        const FileReadSummary summary = ReadvCard(path, counter, options, sink);
        if (summary.cards != sink.cards || counter != 1 + sink.cards)
            fuzzFault(kTarget, "the summary counts " + std::to_string(summary.cards) + " cards, the sink got " +
                                   std::to_string(sink.cards) + ", the counter stands at " + std::to_string(counter));
    } catch (const VcardReadError& error) {
        if (error.file() != path || error.cause().empty())
            fuzzFault(kTarget, std::string("a read error without its file or cause: ") + error.what());
    }
    sink.finish();
}

}  // namespace

void fuzzVcardReader(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    file.hold(reinterpret_cast<const char*>(data), size);
    readOnce(file.path(), {ReadMode::Normal});
    readOnce(file.path(), {ReadMode::Advance});
    // Lines and pictures past a limit end the reading; a short one reaches
    // that path with small inputs.
    readOnce(file.path(), {size % 2 == 0 ? ReadMode::Normal : ReadMode::Advance, 64});
}

void fuzzVcardReaderRepeated(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::size_t repeats = std::size_t{in.integer<std::uint32_t>()} + 1;
    const std::size_t middleSize = in.integer<std::uint16_t>();
    const std::size_t middleStart = in.integer<std::uint16_t>();
    const std::string rest = in.text(in.remaining());
    const std::size_t start = std::min(middleStart, rest.size());
    const std::string_view middle = std::string_view(rest).substr(start, middleSize);
    std::string bytes = rest.substr(0, start);
    const std::size_t room = kRepeatedFileBytes - std::min(kRepeatedFileBytes, rest.size());
    const std::size_t copies = middle.empty() ? 1 : std::min(repeats, 1 + room / middle.size());
    bytes.reserve(rest.size() + (copies - 1) * middle.size());
    for (std::size_t i = 0; i < copies; ++i) bytes += middle;
    bytes += rest.substr(start + middle.size());
    static MemoryFile file;
    file.hold(bytes.data(), bytes.size());
    // The targets' work on thousands of repeated cards (and their pictures)
    // would only repeat itself, and take long in the fuzz build; on large
    // values it does not.
    const std::size_t maxLineBytes = ReaderOptions{}.maxLineBytes;
    readOnce(file.path(), {ReadMode::Normal, maxLineBytes, kCardsForTargets, false});
    readOnce(file.path(), {ReadMode::Advance, maxLineBytes, kCardsForTargets, false});
}

}  // namespace tessaly::fuzz
