// Writes small valid stores with Tessaly's own engine into a folder, as seeds
// of the verifier's corpus: one without contacts, one with contacts that fill
// every field the contact item writer sets, with dates, a picture, text
// outside ASCII and a note long enough to leave its property context.
//   fuzz_write_seed_stores FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
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
    const std::string id = session.Stores().AddPSTStore(path.string(), 1, "Seed Contacts")->EntryID();
    bool allSaved = true;
    for (const ContactRecord& record : records) {
        const outlook::ContactItemOutcome outcome = outlook::CreateContactItem(session, id, 10, record);
        for (const std::string& failure : outcome.failures) std::fprintf(stderr, "%s\n", failure.c_str());
        allSaved = allSaved && outcome.saved && outcome.failures.empty();
    }
    session.Logoff();
    return allSaved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_write_seed_stores FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const char* name : {"engine-empty.pst", "engine-contacts.pst"}) std::filesystem::remove(folder / name);
    const std::filesystem::path picture = folder / "picture.gif.tmp";
    std::ofstream(picture, std::ios::binary) << std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
    const bool written = writeStore(folder / "engine-empty.pst", {}) &&
                         writeStore(folder / "engine-contacts.pst",
                                    {fullRecord(1, picture.string()), fullRecord(2, ""), ContactRecord{}});
    std::filesystem::remove(picture);
    if (!written) {
        std::fprintf(stderr, "fuzz_write_seed_stores: a contact was not saved whole\n");
        return 1;
    }
    return 0;
}
