#pragma once
// Reading a PST a test wrote: the verifier, rule by rule (readers are lenient,
// Outlook is not), then the independent readers: pffexport's per-item value
// dumps (ItemValues.txt, written with -d) parsed into tag, type and raw bytes,
// readpst and pst-extractor.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pst/verify/verify_pst.h"
#include "support/encodings.h"
#include "support/test_files.h"

namespace tessaly::testing {

inline void expectValidPst(const std::filesystem::path& path) {
    const auto report = pst::verify::verifyPstFile(path);
    std::string found;
    for (const auto& violation : report.violations) found += pst::verify::describe(violation) + "\n";
    EXPECT_TRUE(report.passed()) << path.string() << ":\n" << found;
}

struct PffValue {
    std::uint32_t entryType = 0;  // property id
    std::uint32_t valueType = 0;  // property type
    std::uint32_t mapsTo = 0;     // for a named property: its LID (0 when none)
    std::string mapsToName;       // for a named property with a string name
    std::string bytes;
};

// Runs `pffexport -m <mode>` (with -d when `dumpValues`) on `pst` into
// `<folder>/out.export` and returns that folder; fails the test (and returns
// an empty path) on error. Mode "all" exports the folder tree; "debug" also
// the root folder's values; "items" no folder values.
std::filesystem::path pffExport(const std::filesystem::path& pst, const std::filesystem::path& folder,
                                const std::string& mode = "all", bool dumpValues = true);

std::vector<PffValue> readItemValues(const std::filesystem::path& itemValues);

// The bytes of the first value with property id `entryType` (or, when
// `entryType` is 0, with LID `mapsTo`); fails the test when there is none.
std::string valueOf(const std::vector<PffValue>& values, std::uint32_t entryType, std::uint32_t mapsTo = 0);

// The lines pst-extractor (a PST reader from the npm registry, installed by
// scripts/setup into tests/pst/node) lists for a store: "store", "folder" and
// "item" lines, tab-separated, and with `attachments` an "attachment" line
// with the bytes of each (see tests/pst/node/list-store.js).
std::vector<std::string> npmListing(const std::filesystem::path& pst, bool attachments = false);

// `tessaly convert CARDS --to pst` run into WORK/out (with `environment`
// before the command, such as "TZ=UTC"): the run, and the values of the one
// contact of the store it wrote, read by pffexport into WORK/pff after the
// verifier passed the store. A store that is missing or holds no contact
// fails the test, with no values.
struct ConvertedContact {
    CommandResult run;
    std::vector<PffValue> values;  // of the last contact exported
    std::filesystem::path store;     // the store written
    std::filesystem::path contacts;  // its contacts folder as pffexport exported it
};
ConvertedContact convertToContact(const std::filesystem::path& cards, const std::filesystem::path& work,
                                  const std::string& environment = "");

// Runs readpst with `flags` into `out` and returns its standard output.
std::string readpst(const std::filesystem::path& pst, const std::filesystem::path& out, const std::string& flags);

}  // namespace tessaly::testing
