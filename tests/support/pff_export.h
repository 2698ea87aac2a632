#pragma once
// Reading a PST back through pff-tools: pffexport's per-item value dumps
// (ItemValues.txt, written with -d) parsed into tag, type and raw bytes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaly::testing {

struct PffValue {
    std::uint32_t entryType = 0;  // property id
    std::uint32_t valueType = 0;
    std::uint32_t mapsTo = 0;     // for a named property: its LID (0 when none)
    std::string mapsToName;       // for a named property with a string name
    std::string bytes;
};

// Runs `pffexport -d -m <mode>` on `pst` into `<folder>/out.export` and
// returns that folder; fails the test (and returns an empty path) on error.
// Mode "all" exports the folder tree; "debug" also the root folder's values.
// Without `dumpValues` only the items' text files are written (faster for
// large stores).
std::filesystem::path pffExport(const std::filesystem::path& pst, const std::filesystem::path& folder,
                                const std::string& mode = "all", bool dumpValues = true);

std::vector<PffValue> readItemValues(const std::filesystem::path& itemValues);

// The first value with property id `entryType` (and LID `mapsTo` when given).
const PffValue* findValue(const std::vector<PffValue>& values, std::uint32_t entryType, std::uint32_t mapsTo = 0);

// UTF-16LE bytes of an ASCII text, to compare with string values.
std::string utf16(const std::string& ascii);

// The folder below `root` whose path ends in `tail` (for example
// "Top of Personal Folders/Contacts"), or an empty path.
std::filesystem::path findFolder(const std::filesystem::path& root, const std::string& tail);

}  // namespace tessaly::testing
