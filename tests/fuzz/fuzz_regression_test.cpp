// The inputs with which a fuzz target once found a fault, replayed through the
// target's own entry point (fuzz/fuzz_entry_points.h) in this build. They live
// in tests/fuzz/inputs/<target>/, one file each. An entry point aborts with its
// reason when the rule it checks is broken, so a fault that comes back ends
// this test and names itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "fuzz/fuzz_entry_points.h"
#include "support/test_files.h"

namespace tessaly::fuzz {
namespace {

namespace fs = std::filesystem;

const fs::path kInputs = fs::path(TESSALY_SOURCE_DIR) / "tests" / "fuzz" / "inputs";

TEST(FuzzRegression, EverySavedInputPassesTheTargetThatFoundIt) {
    std::size_t replayed = 0;
    for (const fs::directory_entry& folder : fs::directory_iterator(kInputs)) {
        const auto& entries = fuzzEntryPoints();
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const FuzzEntryPoint& e) {
            return folder.path().filename() == e.name;
        });
        ASSERT_NE(entry, entries.end()) << folder.path() << " names no fuzz target";
        std::vector<fs::path> files(fs::directory_iterator(folder.path()), fs::directory_iterator{});
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            SCOPED_TRACE(file.string());
            const std::string bytes = testing::readFile(file);
            entry->run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u) << "no input found under " << kInputs;
}

}  // namespace
}  // namespace tessaly::fuzz
