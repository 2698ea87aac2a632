// `tessaly cards SOURCE [--mode auto|normal|advance]`: prints the contact record of
// every card as it is handed over, one slot a line, so that what the reader makes
// of a file can be seen without writing any target.

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/read_mode_option.h"
#include "app/run/source_files.h"
#include "app/terminal_text.h"
#include "app/subcommands.h"
#include "vcard/picture_names.h"
#include "vcard/vcard_date.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_reader.h"

namespace tessaly {

namespace {

const char* const kUsage = "usage: tessaly cards SOURCE [--mode auto|normal|advance]\n";

const char* const kHelp =
    "usage: tessaly cards SOURCE [--mode auto|normal|advance]\n"
    "\n"
    "Reads SOURCE (a .vcf file, or a folder whose .vcf files are all read) and\n"
    "prints every card: a line 'card N', then one line per filled slot of the\n"
    "contact record, 'SLOT<TAB>VALUE', then one per filled field beside the\n"
    "slots in the same form, the card's 'uid', and for a contact group its\n"
    "'group' name and one 'member' line per member; at the end 'N cards'.\n"
    "Line breaks in values are written as \\n, tabs as \\t, backslashes as\n"
    "\\\\; dates as YYYY-MM-DD.\n"
    "A value the record has no field for is named on standard error. No\n"
    "picture file is written.\n"
    "\n"
    "  --mode auto      each file in the mode its line ends call for: Normal\n"
    "                   when every LF follows a CR, else Advance (the default)\n"
    "  --mode normal    lines end at CR or CR LF\n"
    "  --mode advance   a lone LF ends a line too\n"
    "\n"
    "Problems (unreadable files, cards without END:VCARD, ...) go to standard\n"
    "error. Exit status: 0 when nothing was reported, 1 otherwise, 2 for wrong\n"
    "arguments.\n";

// Line breaks, tabs and backslashes as \n, \t and \\; any other control
// character as \xHH, so that a card cannot drive the terminal.
void appendEscaped(std::string& out, std::string_view value) {
    std::size_t plain = 0;  // where the run of text not escaped here began
    const auto endRun = [&](std::size_t end) { appendTerminalText(out, value.substr(plain, end - plain)); };
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\r' && c != '\n' && c != '\t' && c != '\\') continue;
        endRun(i);
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += "\\\\";
        }
        plain = i + 1;
    }
    endRun(value.size());
}

std::string isoDate(DateValue date) {
    int year, month, day;
    calendarDateOf(date, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

class PrintingSink : public CardSink {
public:
    static constexpr std::size_t kBufferSize = 1 << 16;

    void handOver(const ContactRecord& record, std::int32_t cardNumber, long) override {
        // What no field holds first, so that it is said even if the value
        // lines were cut short by a closed pipe.
        for (const ContactRecord::Unplaced& left : record.unplaced) {
            flush();
            std::cerr << terminalText(file) << ':' << left.line << ": card " << cardNumber << ": "
                      << terminalText(left.property);
            if (!left.what.empty()) std::cerr << " (" << terminalText(left.what) << ')';
            std::cerr << ": no field of the contact record holds it\n";
            reported = true;
        }
        buffer_ += "card " + std::to_string(cardNumber) + "\n";
        for (const ContactSlot& slot : contactSlots()) {
            if (slot.text) {
                const std::string& value = record.*slot.text;
                if (value.empty()) continue;
                buffer_ += slot.name;
                buffer_ += '\t';
                appendValue(value);
            } else {
                const DateValue date = record.*slot.date;
                if (date == 0) continue;
                buffer_ += slot.name;
                buffer_ += '\t';
                buffer_ += isoDate(date);
            }
            buffer_ += '\n';
        }
        for (const ContactSlot& field : contactFields()) {
            const std::string& value = record.*field.text;
            if (value.empty()) continue;
            buffer_ += field.name;
            buffer_ += '\t';
            appendValue(value);
            buffer_ += '\n';
        }
        const auto line = [&](const char* name, const std::string& value) {
            buffer_ += name;
            buffer_ += '\t';
            appendValue(value);
            buffer_ += '\n';
        };
        if (!record.uid.empty()) line("uid", record.uid);
        // A group's name and its members as written.
        if (record.isGroup) {
            line("group", record.groupName);
            for (const ContactRecord::GroupMember& member : record.members) line("member", member.value);
        }
        if (buffer_.size() > kBufferSize) flush();
    }

    void problem(const ReadProblem& problem) override {
        flush();
        std::cerr << terminalText(problem.file) << ':' << problem.line << ": " << terminalText(problem.cause) << '\n';
        reported = true;
    }

    // Escapes a value into the buffer a piece at a time, sending the buffer
    // out as it fills: a value of any length costs no more than the buffer.
    // Pieces end between characters and never between a CR and its LF.
    void appendValue(std::string_view value) {
        std::size_t from = 0;
        while (from < value.size()) {
            std::size_t to = std::min(value.size(), from + kBufferSize);
            while (to < value.size() &&
                   ((static_cast<unsigned char>(value[to]) & 0xC0) == 0x80 || (value[to] == '\n' && value[to - 1] == '\r')))
                ++to;
            appendEscaped(buffer_, value.substr(from, to - from));
            from = to;
            if (buffer_.size() > kBufferSize) flush();
        }
    }

    void flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        std::fflush(stdout);
        buffer_.clear();
    }

    bool reported = false;
    std::string file;  // the file being read

private:
    std::string buffer_;
};

}  // namespace

int cardsCommand(const Arguments& arguments) {
    std::string source;
    ReaderOptions options;
    options.mode = ReadMode::Auto;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (argument == "--mode" && i + 1 < arguments.size()) {
            const std::string& mode = arguments[++i];
            const std::optional<ReadMode> named = readModeNamed(mode);
            if (!named) {
                std::cerr << "tessaly cards: unknown mode '" << mode << "'\n" << kUsage;
                return 2;
            }
            options.mode = *named;
        } else if (!argument.empty() && argument[0] == '-') {
            std::cerr << "tessaly cards: unknown option '" << argument << "'\n" << kUsage;
            return 2;
        } else if (source.empty()) {
            source = argument;
        } else {
            std::cerr << "tessaly cards: only one SOURCE may be given\n" << kUsage;
            return 2;
        }
    }
    if (source.empty()) {
        std::cerr << kUsage;
        return 2;
    }

    PrintingSink sink;
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (std::filesystem::is_directory(source, error)) {
        SourceListing listing;
        try {
            listing = listVcardFiles(source);
        } catch (const std::filesystem::filesystem_error& failure) {
            std::cerr << terminalText(source) << ": the folder cannot be listed: " << failure.code().message() << '\n';
            return 1;
        }
        for (const SkippedSource& skipped : listing.skipped) {
            std::cerr << terminalText(skipped.path.string()) << ": " << terminalText(skipped.cause) << '\n';
            sink.reported = true;
        }
        files = std::move(listing.files);
        if (files.empty() && !sink.reported) {
            std::cout << "0 cards\n";
            std::cerr << terminalText(source) << ": no .vcf file in this folder\n";
            return 1;
        }
    } else {
        files.push_back(chosenSourceFile(source));
    }

    // The picture names a conversion of the same source would give.
    PictureNames pictureNames;
    options.pictureNames = &pictureNames;
    std::int32_t cardCounter = 1;
    for (const auto& file : files) {
        sink.file = file.string();
        try {
            const FileReadSummary summary = ReadvCard(file.string(), cardCounter, options, sink);
            if (options.mode == ReadMode::Auto && summary.mode == ReadMode::Advance) {
                // A note, not a problem: the exit status stays as it is.
                sink.flush();
                std::cerr << terminalText(file.string()) << ": read in Advance Mode (it has lines that end in LF alone)\n";
            }
            if (summary.cards == 0) {
                sink.flush();
                std::cerr << terminalText(file.string()) << ": no vCard found in this file";
                if (summary.sawLoneLineFeed && options.mode == ReadMode::Normal)
                    std::cerr << " (its lines end in LF alone: try --mode advance)";
                std::cerr << '\n';
                sink.reported = true;
            }
        } catch (const VcardReadError& failure) {
            sink.flush();
            std::cerr << terminalText(failure.what()) << '\n';
            sink.reported = true;
        }
    }
    sink.flush();
    std::cout << cardCounter - 1 << " cards\n";
    return sink.reported ? 1 : 0;
}

}  // namespace tessaly
