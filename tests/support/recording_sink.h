#pragma once
// A card sink that keeps everything it is given, and a shortcut that reads vCard
// text through the real reader.

#include <string>
#include <vector>

#include "support/test_files.h"
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

struct ReadResult {
    RecordingSink sink;
    FileReadSummary summary;
};

// Writes `bytes` to a file and reads it with the given options.
inline ReadResult readText(const std::string& bytes, ReaderOptions options = {}) {
    TempDir folder;
    const auto file = folder.write("cards.vcf", bytes);
    ReadResult result;
    std::int32_t counter = 1;
    result.summary = ReadvCard(file.string(), counter, options, result.sink);
    return result;
}

inline ReadResult readText(const std::string& bytes, ReadMode mode) {
    ReaderOptions options;
    options.mode = mode;
    return readText(bytes, options);
}

// Reads one card given as lines joined with CR LF and returns its record.
inline ContactRecord readCard(const std::string& bodyLines) {
    ReadResult result = readText("BEGIN:VCARD\r\n" + bodyLines + "END:VCARD\r\n");
    if (result.sink.cards.size() != 1) return {};
    return result.sink.cards.front();
}

}  // namespace tessaly::testing
