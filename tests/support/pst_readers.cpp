#include "support/pst_readers.h"

#include <fstream>
#include <sstream>

#include "support/test_files.h"

namespace tessaly::testing {

std::filesystem::path pffExport(const std::filesystem::path& pst, const std::filesystem::path& folder,
                                const std::string& mode, bool dumpValues) {
    const auto target = folder / "out";
    const CommandResult result = runCommand(std::string("pffexport -q ") + (dumpValues ? "-d " : "") + "-m " + mode +
                                            " -t " + shellQuote(target.string()) + " " + shellQuote(pst.string()));
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    if (result.status != 0) return {};
    return folder / "out.export";
}

ConvertedContact convertToContact(const std::filesystem::path& cards, const std::filesystem::path& work,
                                  const std::string& environment) {
    namespace fs = std::filesystem;
    ConvertedContact converted;
    const fs::path out = work / "out";
    fs::create_directories(out);
    converted.run = runCommand((environment.empty() ? "" : environment + " ") + shellQuote(TESSALY_EXECUTABLE) +
                               " convert " + shellQuote(cards.string()) + " --to pst --out " + shellQuote(out.string()));
    fs::path pst;
    for (const auto& entry : fs::directory_iterator(out))
        if (entry.path().extension() == ".pst") pst = entry.path();
    if (pst.empty()) {
        ADD_FAILURE() << cards << ": no store written\n" << converted.run.out << converted.run.err;
        return converted;
    }
    expectValidPst(pst);
    converted.store = pst;
    fs::create_directories(work / "pff");
    const fs::path contacts = pffExport(pst, work / "pff") / "Top of Personal Folders" / "Contacts";
    converted.contacts = contacts;
    for (const auto& entry : fs::directory_iterator(contacts))
        if (entry.path().filename().string().starts_with("Contact"))
            converted.values = readItemValues(entry.path() / "ItemValues.txt");
    if (converted.values.empty()) ADD_FAILURE() << cards << ": the store holds no contact";
    return converted;
}

std::vector<PffValue> readItemValues(const std::filesystem::path& itemValues) {
    std::ifstream in(itemValues);
    EXPECT_TRUE(in) << itemValues;
    std::vector<PffValue> values;
    std::string line;
    bool inValue = false;
    auto field = [](const std::string& text) { return static_cast<std::uint32_t>(std::stoul(text.substr(text.rfind('\t') + 1), nullptr, 16)); };
    while (std::getline(in, line)) {
        if (line.rfind("Entry type:", 0) == 0) {
            values.emplace_back();
            values.back().entryType = field(line);
            inValue = false;
        } else if (line.rfind("Value type:", 0) == 0 && !values.empty()) {
            values.back().valueType = field(line);
        } else if (line.rfind("Maps to entry type:", 0) == 0 && !values.empty()) {
            values.back().mapsTo = field(line);
        } else if (line.rfind("Maps to entry:", 0) == 0 && !values.empty()) {
            values.back().mapsToName = line.substr(line.rfind('\t') + 1);
        } else if (line.rfind("Value:", 0) == 0) {
            inValue = true;
        } else if (line.empty()) {
            inValue = false;
        } else if (inValue && line.rfind("0x", 0) == 0 && !values.empty()) {
            // "0x00000000: 49 00 50 00 ...  49 00   I.P." : hex between the colon and the text column.
            std::istringstream hex(line.substr(line.find(':') + 1, 3 * 16 + 2));
            std::string byte;
            while (hex >> byte) values.back().bytes.push_back(static_cast<char>(std::stoul(byte, nullptr, 16)));
        }
    }
    return values;
}

std::string valueOf(const std::vector<PffValue>& values, std::uint32_t entryType, std::uint32_t mapsTo) {
    for (const auto& value : values)
        if (entryType != 0 ? value.entryType == entryType : value.mapsTo == mapsTo) return value.bytes;
    ADD_FAILURE() << "no value 0x" << std::hex << entryType << " (LID 0x" << mapsTo << ")";
    return {};
}

std::string readpst(const std::filesystem::path& pst, const std::filesystem::path& out, const std::string& flags) {
    std::filesystem::create_directories(out);
    const auto result = runCommand("readpst " + flags + " -o " + shellQuote(out.string()) + " " + shellQuote(pst.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

std::vector<std::string> npmListing(const std::filesystem::path& pst, bool attachments) {
    const auto reader = std::filesystem::path(TESSALY_SOURCE_DIR) / "tests" / "pst" / "node";
    EXPECT_TRUE(std::filesystem::is_directory(reader / "node_modules" / "pst-extractor"))
        << "pst-extractor is not installed; run scripts/setup --test";
    const auto result = runCommand("node " + shellQuote((reader / "list-store.js").string()) + " " + shellQuote(pst.string()) +
                                   (attachments ? " --attachments" : ""));
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace tessaly::testing
