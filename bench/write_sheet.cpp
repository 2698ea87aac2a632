// What the worksheet's rows add to reading, in one process: reads a vCard file
// with a sink that keeps nothing, then again with a sink that writes every card
// to a contact sheet (set-up, one row per card, close) in a temporary folder,
// each several times, and prints the best times, their throughput and the
// rows' cost per cell. Both read the file from the page cache, and the sheet
// sink takes each card while the reader has just filled it, as a conversion
// does; the program's start and the run's report are left out.
//   bench_write_sheet FILE [normal|advance] [--rounds N] [--keep FOLDER]
// --rounds N: how many times each is timed (5 unless told); --keep FOLDER
// leaves the sheet in FOLDER, to compare sheets byte for byte.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "biff/contact_sheet.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_reader.h"

namespace {

class NoSink : public tessaly::CardSink {
public:
    void handOver(const tessaly::ContactRecord&, std::int32_t, long) override {}
    void problem(const tessaly::ReadProblem&) override {}
};

class SheetSink : public tessaly::CardSink {
public:
    explicit SheetSink(tessaly::ContactSheet& sheet) : sheet_(sheet) {}
    void handOver(const tessaly::ContactRecord& record, std::int32_t cardNumber, long) override {
        sheet_.Save2ExcelContact(record, cardNumber);
    }
    void problem(const tessaly::ReadProblem&) override {}

private:
    tessaly::ContactSheet& sheet_;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_write_sheet FILE [normal|advance] [--rounds N] [--keep FOLDER]\n");
        return 2;
    }
    tessaly::ReaderOptions options;
    std::filesystem::path keep;
    int rounds = 5;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "advance") options.mode = tessaly::ReadMode::Advance;
        if (argument == "--keep" && i + 1 < argc) keep = argv[++i];
        if (argument == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    }
    const std::filesystem::path folder =
        keep.empty() ? std::filesystem::temp_directory_path() / ("bench-sheet-" + std::to_string(::getpid())) : keep;
    std::filesystem::create_directories(folder);

    double bestRead = 0, bestWithRows = 0, bestClose = 0;
    std::int32_t cards = 0;
    try {
        for (int round = 0; round < rounds; ++round) {
            NoSink none;
            std::int32_t counter = 1;
            auto start = std::chrono::steady_clock::now();
            tessaly::ReadvCard(argv[1], counter, options, none);
            const double read = secondsSince(start);
            cards = counter - 1;

            tessaly::ContactSheet sheet(tessaly::DateTextFormat::iso());
            sheet.open(folder);
            SheetSink rows(sheet);
            counter = 1;
            start = std::chrono::steady_clock::now();
            tessaly::ReadvCard(argv[1], counter, options, rows);
            const double withRows = secondsSince(start);
            start = std::chrono::steady_clock::now();
            sheet.close();
            const double close = secondsSince(start);

            if (round == 0 || read < bestRead) bestRead = read;
            if (round == 0 || withRows < bestWithRows) bestWithRows = withRows;
            if (round == 0 || close < bestClose) bestClose = close;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    if (keep.empty()) std::filesystem::remove_all(folder);

    const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / 1e6;
    const double rows = std::min<double>(cards, tessaly::kLastSheetRow - 1);
    const double cells = rows * tessaly::kContactSheetColumns;
    std::printf("%d cards, %.1f MB (best of %d): reading alone %.3f s, %.1f MB/s; reading and writing %.0f rows "
                "%.3f s, %.1f MB/s (%.0f%% of reading alone), %.1f ns per cell; closing the sheet %.3f s\n",
                cards, megabytes, rounds, bestRead, megabytes / bestRead, rows, bestWithRows,
                megabytes / bestWithRows, bestRead / bestWithRows * 100, (bestWithRows - bestRead) / cells * 1e9,
                bestClose);
    return 0;
}
