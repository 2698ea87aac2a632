// Writes the seeds that are made at run time (see scripts/fuzz) into FOLDER:
// - pst_verifier/: small valid stores written by Tessaly's own engine, one
//   without contacts and one with contacts that fill every field the contact
//   item writer sets, with dates, a picture, text outside ASCII and a note
//   long enough to leave its property context;
// - vcard_repeated/: each VCARD_FILE with the eight leading bytes of that
//   target: as it is (nothing repeated), and with parts of its first lines
//   repeated a thousand times, from which the fuzzer can grow long values
//   and long runs of lines.
//   fuzz_write_seeds FOLDER [VCARD_FILE...]

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fixed_store_options.h"
#include "outlook/contact_item_writer.h"
#include "vcard/vcard_date.h"

namespace {

using namespace tessaly;

ContactRecord fullRecord(int number, const std::string& picture) {
    ContactRecord record;
    const std::string n = std::to_string(number);
    for (const ContactSlot& slot : contactSlots())
        if (slot.text) record.*slot.text = std::string(slot.name) + " " + n;
    record.eContact_FirstName = "Zoë " + n;
    record.eContact_LastName = "Ñúñez-Şahin";
    record.eContact_Email = "person" + n + "@example.org";
    record.eContact_Categories = "Friends, Work,,Family ";
    record.eContact_Comments = std::string(9000, 'n') + "\r\nend";
    record.eSelAddress = "1";
    record.eContact_BirthDay = dateValueOf(1970 + number, 2, 28);
    record.eContact_Anniversary = dateValueOf(2001, 12, 31);
    record.ePhoto = picture;
    return record;
}

bool writeStore(const std::filesystem::path& path, const std::vector<ContactRecord>& records) {
    outlook::Session session(fuzz::fixedStoreOptions());
    session.Logon();
    const std::string id = session.Stores().AddPSTStore(path.string(), outlook::kUnicodeStore, "Seed Contacts")->EntryID();
    bool allSaved = true;
    for (const ContactRecord& record : records) {
        const outlook::ContactItemOutcome outcome = outlook::CreateContactItem(session, id, outlook::kContactsFolder, record);
        for (const std::string& failure : outcome.failures) std::fprintf(stderr, "%s\n", failure.c_str());
        allSaved = allSaved && outcome.saved && outcome.failures.empty();
    }
    session.Logoff();
    return allSaved;
}

// The eight leading bytes of a vcard_repeated input, low bytes first: the
// count less one (four bytes), the length of the middle part and where it
// starts (two bytes each).
std::string repeatedHeader(std::uint32_t repeats, std::uint16_t middleSize, std::uint16_t middleStart) {
    std::string header;
    const auto put = [&header](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) header += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(repeats - 1, 4);
    put(middleSize, 2);
    put(middleStart, 2);
    return header;
}

void writeRepeatedSeeds(const std::filesystem::path& folder, const std::filesystem::path& vcard) {
    std::ifstream in(vcard, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string stem = vcard.filename().string();
    std::ofstream(folder / stem, std::ios::binary) << repeatedHeader(1, 0, 0) << bytes;
    // Per line, three runs repeated: the value's first six bytes, the whole
    // line with its line end, and the line end with the two bytes after it.
    constexpr int kLines = 16;
    std::size_t lineStart = 0;
    for (int line = 0; line < kLines && lineStart < bytes.size() && lineStart < 0xFF00; ++line) {
        const std::size_t lineEnd = std::min(bytes.find('\n', lineStart), bytes.size() - 1) + 1;
        const std::size_t colon = std::min(bytes.find(':', lineStart), lineEnd - 1);
        const std::pair<std::size_t, std::size_t> runs[] = {
            {colon + 1, 6}, {lineStart, lineEnd - lineStart}, {lineEnd >= 2 ? lineEnd - 2 : 0, 4}};
        int run = 0;
        for (const auto& [start, length] : runs) {
            const std::string name = stem + "." + std::to_string(line) + "." + std::to_string(run++);
            const auto field = [](std::size_t value) { return static_cast<std::uint16_t>(std::min<std::size_t>(value, 0xFFFF)); };
            std::ofstream(folder / name, std::ios::binary) << repeatedHeader(1000, field(length), field(start)) << bytes;
        }
        lineStart = lineEnd;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_write_seeds FOLDER [VCARD_FILE...]\n");
        return 2;
    }
    const std::filesystem::path stores = std::filesystem::path(argv[1]) / "pst_verifier";
    const std::filesystem::path repeated = std::filesystem::path(argv[1]) / "vcard_repeated";
    std::filesystem::create_directories(stores);
    std::filesystem::create_directories(repeated);
    for (int i = 2; i < argc; ++i) writeRepeatedSeeds(repeated, argv[i]);

    for (const char* name : {"engine-empty.pst", "engine-contacts.pst"}) std::filesystem::remove(stores / name);
    const std::filesystem::path picture = stores / "picture.gif.tmp";
    std::ofstream(picture, std::ios::binary) << std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
    const bool written = writeStore(stores / "engine-empty.pst", {}) &&
                         writeStore(stores / "engine-contacts.pst",
                                    {fullRecord(1, picture.string()), fullRecord(2, ""), ContactRecord{}});
    std::filesystem::remove(picture);
    if (!written) {
        std::fprintf(stderr, "fuzz_write_seeds: a contact was not saved whole\n");
        return 1;
    }
    return 0;
}
