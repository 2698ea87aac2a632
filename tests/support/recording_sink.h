#pragma once
// A card sink that keeps everything it is given, a shortcut that reads vCard
// text through the real reader, and a record written as one line of its filled
// slots, so that a test compares every slot at once.

#include <cstdio>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "vcard/vcard_date.h"
#include "vcard/vcard_reader.h"

namespace tessaly::testing {

class RecordingSink : public CardSink {
public:
    void handOver(const ContactRecord& record, std::int32_t cardNumber, long line) override {
        cards.push_back(record);
        numbers.push_back(cardNumber);
        lines.push_back(line);
    }
    void problem(const ReadProblem& problem) override { problems.push_back(problem); }

    std::vector<ContactRecord> cards;
    std::vector<std::int32_t> numbers;
    std::vector<long> lines;
    std::vector<ReadProblem> problems;
};

// Writes `bytes` to a file and reads it; pictures go to `pictureFolder`.
inline RecordingSink readText(const std::string& bytes, ReadMode mode = ReadMode::Normal,
                           const std::filesystem::path& pictureFolder = {}) {
    TempDir folder;
    ReaderOptions options;
    options.mode = mode;
    options.pictureFolder = pictureFolder;
    RecordingSink sink;
    std::int32_t counter = 1;
    ReadvCard(folder.write("cards.vcf", bytes).string(), counter, options, sink);
    return sink;
}

// The filled slots in the record's order, names without their "eContact_"
// prefix, dates as YYYY-MM-DD; then the fields beside them and the values no
// field holds ("unplaced=LINE PROPERTY (what)").
inline std::vector<std::pair<std::string, std::string>> filledSlots(const ContactRecord& record) {
    std::vector<std::pair<std::string, std::string>> slots;
    for (const ContactSlot& slot : contactSlots()) {
        std::string value = slot.text ? record.*slot.text : "";
        if (slot.date && record.*slot.date != 0) {
            int year = 0, month = 0, day = 0;
            calendarDateOf(record.*slot.date, year, month, day);
            char text[16];
            std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
            value = text;
        }
        const std::string name = slot.name;
        if (!value.empty()) slots.emplace_back(name.substr(name.rfind('_') + 1), value);
    }
    // The fields beside the slots by their own names, then what no field holds.
    for (const ContactSlot& field : contactFields())
        if (!(record.*field.text).empty()) slots.emplace_back(field.name, record.*field.text);
    for (const ContactRecord::Unplaced& left : record.unplaced)
        slots.emplace_back("unplaced", std::to_string(left.line) + " " + left.property +
                                               (left.what.empty() ? "" : " (" + left.what + ")"));
    return slots;
}

// The same as one line, "Name=value" joined by "|", to compare every slot at once.
inline std::string slotsOf(const ContactRecord& record) {
    std::string out;
    for (const auto& [name, value] : filledSlots(record)) out += (out.empty() ? "" : "|") + name + "=" + value;
    return out;
}

// The filled slots of the one card that `bodyLines` (ending in CR LF) make.
inline std::string readCard(const std::string& bodyLines) {
    const RecordingSink sink = readText("BEGIN:VCARD\r\n" + bodyLines + "END:VCARD\r\n");
    if (sink.cards.size() != 1) return std::to_string(sink.cards.size()) + " cards";
    return slotsOf(sink.cards[0]);
}

}  // namespace tessaly::testing
