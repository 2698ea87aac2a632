// Throughput and memory of the PST writer: 30,000 messages of about 100
// properties each into one folder. Prints messages per second and the peak
// memory growth per message; not part of the test suite.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"

namespace {

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tessaly::pst;
    const int count = argc > 1 ? std::stoi(argv[1]) : 30000;
    const auto path = std::filesystem::temp_directory_path() / "tessaly-bench.pst";
    const Guid address = parseGuid("00062004-0000-0000-C000-000000000046");
    const long baseKilobytes = peakKilobytes();
    const auto start = std::chrono::steady_clock::now();
    // Time spent in the store's own calls, without building the messages.
    std::chrono::steady_clock::duration inStore{};
    {
        auto store = PstFile::create(path, "Benchmark");
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        for (int i = 0; i < count; ++i) {
            Message message;
            const std::string name = "Contact " + std::to_string(i);
            message.set(tags::MessageClass, PropertyValue::string("IPM.Contact"));
            message.set(tags::Subject, PropertyValue::string(name));
            message.set(tags::DisplayName, PropertyValue::string(name));
            // A contact-like mix: short texts, numbers, flags and dates, and
            // named properties.
            for (std::uint16_t k = 0; k < 40; ++k) {
                message.set(makeTag(static_cast<std::uint16_t>(0x3A00 + k), PropertyType::String),
                            PropertyValue::string("text " + std::to_string(k * i % 9973)));
            }
            for (std::uint16_t k = 0; k < 30; ++k) {
                message.set(makeTag(static_cast<std::uint16_t>(0x3A40 + k), PropertyType::Int32), PropertyValue::int32(i + k));
            }
            for (std::uint16_t k = 0; k < 10; ++k) {
                message.set(makeTag(static_cast<std::uint16_t>(0x3A60 + k), PropertyType::Boolean), PropertyValue::boolean(k % 2));
                message.set(makeTag(static_cast<std::uint16_t>(0x3A70 + k), PropertyType::Time),
                            PropertyValue::time(0x01D0000000000000ull + static_cast<std::uint64_t>(i)));
            }
            for (std::uint32_t lid = 0x8005; lid < 0x8005 + 7; ++lid) {
                message.set(PropertyName::numeric(address, lid), PropertyValue::string("named " + std::to_string(lid)));
            }
            const auto before = std::chrono::steady_clock::now();
            store->addMessage(contacts, std::move(message));
            inStore += std::chrono::steady_clock::now() - before;
        }
        const auto before = std::chrono::steady_clock::now();
        store->close();
        inStore += std::chrono::steady_clock::now() - before;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long growth = peakKilobytes() - baseKilobytes;
    const double storeSeconds = std::chrono::duration<double>(inStore).count();
    std::printf("%d messages in %.2f s (%.0f messages/s); in the store's calls %.2f s (%.0f messages/s); "
                "%.0f bytes of peak memory per message; file %ju bytes\n",
                count, seconds, count / seconds, storeSeconds, count / storeSeconds, growth * 1024.0 / count,
                static_cast<std::uintmax_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
    return 0;
}
