// Reads vCard files with a sink that keeps nothing, and prints the reading
// speed: the reader's own share of a conversion's time.
//   bench_read_vcards FILE [normal|advance]

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "vcard/vcard_read_error.h"
#include "vcard/vcard_reader.h"

namespace {

class CountingSink : public tessaly::CardSink {
public:
    void handOver(const tessaly::ContactRecord& record, std::int32_t, long) override {
        characters += record.eContact_LastName.size();
    }
    void problem(const tessaly::ReadProblem&) override { ++problems; }
    std::size_t characters = 0;
    int problems = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_read_vcards FILE [normal|advance]\n");
        return 2;
    }
    tessaly::ReaderOptions options;
    if (argc > 2 && std::string(argv[2]) == "advance") options.mode = tessaly::ReadMode::Advance;
    CountingSink sink;
    std::int32_t counter = 1;
    const auto start = std::chrono::steady_clock::now();
    try {
        tessaly::ReadvCard(argv[1], counter, options, sink);
    } catch (const tessaly::VcardReadError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / 1e6;
    std::printf("%d cards, %.1f MB in %.3f s: %.0f cards/s, %.1f MB/s\n", counter - 1, megabytes, seconds,
                (counter - 1) / seconds, megabytes / seconds);
    return 0;
}
