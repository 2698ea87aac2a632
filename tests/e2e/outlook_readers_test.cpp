// `tessaly convert --to pst` end to end: the contacts it writes are checked by
// `tessaly verify-pst` and read back by readers nobody on this team wrote
// (pffexport, readpst, pst-extractor), value by value against what the vCard
// reader made of the cards; then the ways the target can fail, and what each
// leaves behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <sstream>

#include "app/run/source_files.h"
#include "support/encodings.h"
#include "support/pst_readers.h"
#include "support/recording_sink.h"
#include "vcard/picture_names.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::split;
using testing::TempDir;
using testing::utf16;
using Slots = std::map<std::string, std::string>;
using Values = std::vector<testing::PffValue>;

const std::string kContactsPath = "/Top of Personal Folders/Contacts";

bool listed(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Runs the executable in a fixed time zone: dates are stored as the local
// midnight, and the file's name holds the local time.
testing::CommandResult tessaly(const std::string& arguments, const std::string& zone = "UTC0") {
    return runCommand("LC_ALL=C TZ=" + shellQuote(zone) + " " + shellQuote(TESSALY_EXECUTABLE) + " " + arguments);
}

struct ConvertedRun : testing::CommandResult {
    explicit ConvertedRun(testing::CommandResult result) : CommandResult(std::move(result)) {}
    int saved = -1;  // from "Wrote N cards to PATH"
    fs::path pst;
};

ConvertedRun convertToPst(const fs::path& source, const fs::path& out, const std::string& more = "",
                          const std::string& zone = "UTC0") {
    ConvertedRun run{tessaly("convert " + shellQuote(source.string()) + " --to pst --out " +
                             shellQuote(out.string()) + more, zone)};
    for (const std::string& line : split(run.out, '\n')) {
        if (!line.starts_with("Wrote ")) continue;
        run.saved = std::stoi(line.substr(6));
        run.pst = line.substr(line.find(" to ") + 4);
    }
    return run;
}

// The cards of a source as the reader makes them (picture names as a run
// gives them), which the contacts must hold.
std::vector<Slots> cardsOf(const fs::path& source, ReadMode mode) {
    testing::RecordingSink sink;
    PictureNames names;
    ReaderOptions options;
    options.mode = mode;
    options.pictureNames = &names;
    std::int32_t counter = 1;
    for (const fs::path& file : fs::is_directory(source) ? listVcardFiles(source).files : std::vector{source})
        ReadvCard(file.string(), counter, options, sink);
    std::vector<Slots> cards;
    for (const ContactRecord& record : sink.cards) {
        const auto slots = testing::filledSlots(record);
        cards.emplace_back(slots.begin(), slots.end());
    }
    return cards;
}

// ---- What each reader must find ----

// What Outlook composes from a card's slots: names, the address texts (lines
// joined by CR LF), the dates' local midnight in UTC ("YYYY-MM-DDTHH:MM:SS";
// empty: midnight, as in UTC).
struct Composed {
    std::string displayName, fileAs, workAddress, homeAddress, birthdayUtc = "", anniversaryUtc = "";
};

struct ExpectedContact {
    Slots slots;
    Composed composed;
    std::string photo;
    std::string slot(const std::string& name) const { return slots.count(name) ? slots.at(name) : ""; }
};

// Slots stored in one property each: a tagged one, or a named one of the
// address property set by LID. The JobTitle slot holds ROLE, which Outlook
// keeps as the profession, and the Profession slot holds TITLE, its job title.
struct SlotProperty {
    const char* slot;
    std::uint32_t tag, lid;
};
const SlotProperty kSlotProperties[] = {
    {"FirstName", 0x3A06, 0},    {"MiddleName", 0x3A44, 0},      {"LastName", 0x3A11, 0},      {"Title", 0x3A45, 0},
    {"Suffix", 0x3A05, 0},       {"Company", 0x3A16, 0},         {"Department", 0x3A18, 0},    {"JobTitle", 0x3A46, 0},
    {"Profession", 0x3A17, 0},   {"OfficePhone", 0x3A08, 0},     {"OfficeFax", 0x3A24, 0},     {"HomePhone", 0x3A09, 0},
    {"HomeFax", 0x3A25, 0},      {"CellPhone", 0x3A1C, 0},       {"Pager", 0x3A21, 0},         {"CarPhone", 0x3A1E, 0},
    {"PersonalCity", 0x3A59, 0}, {"PersonalAddress", 0x3A5D, 0}, {"PersonalState", 0x3A5C, 0}, {"WebPage", 0x3A51, 0},
    {"PersonalZip", 0x3A5B, 0},  {"PersonalCountry", 0x3A5A, 0}, {"BusinessCity", 0, 0x8046},  {"WebPage", 0, 0x802B},
    {"BusinessZip", 0, 0x8048},  {"BusinessAddress", 0, 0x8045}, {"BusinessState", 0, 0x8047}, {"Email", 0, 0x8083},
    {"Comments", 0x1000, 0},     {"BusinessCountry", 0, 0x8049}, {"ShortName", 0x3A4F, 0},     {"Email2", 0, 0x8093},
    {"IMAddress", 0, 0x8062}};
// The home address's parts, in order, with their copies as the mailing address's.
const std::pair<const char*, std::uint32_t> kHomeParts[] = {{"PersonalAddress", 0x3A29}, {"PersonalCity", 0x3A27},
                                                            {"PersonalState", 0x3A28}, {"PersonalZip", 0x3A2A},
                                                            {"PersonalCountry", 0x3A26}};

// A stored FILETIME (100 ns since 1601) as "YYYY-MM-DDTHH:MM:SS" in UTC.
std::string timeOf(const Values& values, std::uint32_t tag, std::uint32_t lid = 0) {
    const std::string bytes = testing::valueOf(values, tag, lid);
    if (bytes.size() != 8) return "(" + std::to_string(bytes.size()) + " bytes)";
    std::uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i) ticks = ticks << 8 | static_cast<unsigned char>(bytes[i]);
    const auto time = static_cast<std::time_t>(ticks / 10000000) - 11644473600;
    std::tm utc{};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", gmtime_r(&time, &utc));
    return text;
}

// pffexport's item: every value and the photo attachment.
void expectPffValues(const fs::path& item, const ExpectedContact& e) {
    const Composed& c = e.composed;
    const Values values = testing::readItemValues(item / "ItemValues.txt");
    EXPECT_EQ(testing::valueOf(values, 0x0037), utf16("\x01\x01" + c.displayName));  // no subject prefix
    EXPECT_EQ(testing::valueOf(values, 0x001A), utf16("IPM.Contact"));
    EXPECT_EQ(testing::valueOf(values, 0, 0x8005), utf16(c.fileAs));
    // A text value, where the contact has one.
    const auto expectText = [&](std::uint32_t tag, std::uint32_t lid, const std::string& text, const char* what) {
        if (text.empty()) return;
        EXPECT_EQ(testing::valueOf(values, tag, lid), utf16(text)) << what;
    };
    for (const auto& [slot, tag, lid] : kSlotProperties) expectText(tag, lid, e.slot(slot), slot);
    expectText(0, 0x801B, c.workAddress, "work address");
    expectText(0, 0x801A, c.homeAddress, "home address");
    if (e.slot("eSelAddress") == "1") {
        for (const auto& [slot, tag] : kHomeParts) expectText(tag, 0, e.slot(slot), slot);
        EXPECT_EQ(testing::valueOf(values, 0x3A15), utf16(c.homeAddress));
        EXPECT_EQ(testing::valueOf(values, 0, 0x8022), testing::littleEndian(1, 4));  // PidLidPostalAddressId: home
    }
    // PidNameKeywords, a multi-valued string: a count, each value's offset, the values.
    if (!e.slot("Categories").empty()) {
        const auto words = split(e.slot("Categories"), ',');
        std::string keywords = testing::littleEndian(words.size(), 4), texts;
        for (const auto& word : words) {
            keywords += testing::littleEndian(4 + 4 * words.size() + texts.size(), 4);
            texts += utf16(word);
        }
        const auto named =
            std::find_if(values.begin(), values.end(), [](auto& v) { return v.mapsToName == "Keywords"; });
        EXPECT_TRUE(named != values.end() && named->bytes == keywords + texts);
    }
    // Dates: the local midnight in UTC, and the same midnight unconverted.
    const std::tuple<const char*, std::string, std::uint32_t, std::uint32_t> dates[] = {
        {"BirthDay", c.birthdayUtc, 0x3A42, 0x80DE}, {"Anniversary", c.anniversaryUtc, 0x3A41, 0x80DF}};
    for (const auto& [slot, utc, tag, lid] : dates) {
        if (e.slot(slot).empty()) continue;
        EXPECT_EQ(timeOf(values, tag), utc.empty() ? e.slot(slot) + "T00:00:00" : utc) << slot;
        EXPECT_EQ(timeOf(values, 0, lid), e.slot(slot) + "T00:00:00") << slot;
    }
    const fs::path photo = item / "Attachments" / "1_ContactPicture.jpg";
    EXPECT_TRUE(fs::exists(photo) ? readFile(photo) == e.photo : e.photo.empty());
}

// readpst's vCard, found by its FN (the file-as name), values escaped.
void expectReadpstCard(const std::vector<std::set<std::string>>& cards, const ExpectedContact& e) {
    const auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text)
            out += c == '\r' ? "" : c == '\n' ? "\\n" : std::strchr("\\;,", c) ? "\\" + std::string{c} : std::string{c};
        return out;
    };
    const Composed& c = e.composed;
    const auto card =
        std::find_if(cards.begin(), cards.end(), [&](auto& lines) { return lines.count("FN:" + escaped(c.fileAs)); });
    ASSERT_NE(card, cards.end()) << "readpst has no card FN:" << escaped(c.fileAs);
    std::string name, parts = ";";
    for (const char* part : {"LastName", "FirstName", "MiddleName", "Title", "Suffix"})
        name += ";" + escaped(e.slot(part));
    std::vector<std::string> lines{"N:" + name.substr(1)};
    const std::pair<const char*, const char*> plain[] = {
        {"Email", "EMAIL:"},     {"Email2", "EMAIL:"},         {"Company", "ORG:"},    {"Profession", "TITLE:"},
        {"JobTitle", "ROLE:"}, {"ShortName", "NICKNAME:"},   {"Comments", "NOTE:"},
        {"OfficePhone", "TEL;TYPE=work,voice:"}, {"OfficeFax", "TEL;TYPE=work,fax:"},
        {"HomePhone", "TEL;TYPE=home,voice:"},   {"HomeFax", "TEL;TYPE=home,fax:"},
        {"CellPhone", "TEL;TYPE=cell,voice:"},   {"Pager", "TEL;TYPE=pager:"}, {"CarPhone", "TEL;TYPE=car,voice:"}};
    for (const auto& [slot, prefix] : plain)
        if (!e.slot(slot).empty()) lines.push_back(prefix + escaped(e.slot(slot)));
    if (!c.workAddress.empty()) lines.push_back("LABEL;TYPE=work:" + escaped(c.workAddress));
    if (!c.homeAddress.empty()) {
        for (const auto& [part, tag] : kHomeParts) parts += ";" + escaped(e.slot(part));
        lines.insert(lines.end(), {"LABEL;TYPE=home:" + escaped(c.homeAddress), "ADR;TYPE=home:" + parts});
        // Beside a business address, readpst takes the mailing address (the
        // home one) as its work ADR.
        if (!c.workAddress.empty() && e.slot("eSelAddress") == "1") lines.push_back("ADR;TYPE=work:" + parts);
    }
    if (!e.slot("BirthDay").empty())
        lines.push_back("BDAY:" + (c.birthdayUtc.empty() ? e.slot("BirthDay") + "T00:00:00" : c.birthdayUtc) + "Z");
    std::string seen;
    for (const auto& line : *card) seen += line + "\n";
    for (const auto& line : lines) EXPECT_TRUE(card->count(line)) << line << "\nnot among:\n" << seen;
}

// pst-extractor's item line, and the photo's bytes with its real type told from them.
void expectPstExtractorItem(const std::vector<std::string>& listing, const ExpectedContact& e) {
    const std::string name = e.composed.displayName, size = std::to_string(e.photo.size());
    EXPECT_TRUE(listed(listing, "item\t" + kContactsPath + "\tIPM.Contact\t" + name + "\t" + e.slot("Email") + "\t" +
                                    (e.photo.empty() ? "" : "ContactPicture.jpg:" + size))) << name;
    if (e.photo.empty()) return;
    const std::string type = e.photo.starts_with("\xFF\xD8") ? "image/jpeg"
                             : e.photo.starts_with("\x89PNG") ? "image/png" : "image/gif";
    EXPECT_TRUE(listed(listing, "attachment\t" + kContactsPath + "\t" + name + "\tContactPicture.jpg\t" + type + "\t" +
                                    size + "\t" + testing::hex(e.photo))) << name;
}

// Checks a store with the verifier, then with every reader: its Contacts
// folder holds exactly `contacts`, each with its values. Returns
// pst-extractor's listing.
std::vector<std::string> expectStore(const fs::path& pst, const fs::path& work,
                                     const std::vector<ExpectedContact>& contacts) {
    const auto verified = tessaly("verify-pst " + shellQuote(pst.string()));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_NE(verified.out.find(": 0 violation(s)"), std::string::npos) << verified.out;
    const std::string count = std::to_string(contacts.size());
    fs::create_directories(work / "pff");
    const fs::path folder = testing::pffExport(pst, work / "pff") / "Top of Personal Folders" / "Contacts";
    EXPECT_EQ(testing::valueOf(testing::readItemValues(folder / "ItemValues.txt"), 0x3602),
              testing::littleEndian(contacts.size(), 4));  // PidTagContentCount
    std::map<std::string, fs::path> items;                  // by display name, as stored
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("Contact"))
            items[testing::valueOf(testing::readItemValues(entry.path() / "ItemValues.txt"), 0x3001)] = entry.path();
    EXPECT_EQ(items.size(), contacts.size());
    const std::string readpst = testing::readpst(pst, work / "readpst", "-D -r");
    EXPECT_NE(readpst.find("\"Contacts\" - " + count + " items done, 0 items skipped."), std::string::npos) << readpst;
    std::vector<std::set<std::string>> cards;  // each vCard's lines
    for (const auto& entry : fs::recursive_directory_iterator(work / "readpst")) {
        if (entry.path().filename() != "contacts" || entry.path().parent_path().filename() != "Contacts") continue;
        for (const std::string& line : split(readFile(entry.path()), '\n')) {
            if (line == "BEGIN:VCARD") cards.emplace_back();
            else if (!cards.empty()) cards.back().insert(line);
        }
    }
    EXPECT_EQ(cards.size(), contacts.size());
    const auto listing = testing::npmListing(pst, true);
    EXPECT_TRUE(listed(listing, "folder\t" + kContactsPath + "\tIPF.Contact\t" + count));
    for (const ExpectedContact& e : contacts) {
        SCOPED_TRACE(e.composed.displayName);
        const auto item = items.find(utf16(e.composed.displayName));
        if (item == items.end()) ADD_FAILURE() << "pffexport has no contact named " << e.composed.displayName;
        else expectPffValues(item->second, e);
        expectReadpstCard(cards, e);
        expectPstExtractorItem(listing, e);
    }
    return listing;
}

// ---- The cards ----

// A 4x4 grey JPEG (cjpeg -grayscale -optimize) and a 2x2 RGB PNG.
const std::string kJpeg = testing::fromHex(
    "ffd8ffe000104a46494600010100000100010000ffdb004300100b0c0e0c0a100e0d0e1211101318281a181616183123251d283a333d3c39"
    "33383740485c4e404457453738506d51575f626768673e4d71797064785c656763ffc0000b080004000401011100ffc400140001000000"
    "00000000000000000000000003ffc40017100003010000000000000000000000000000030635ffda0008010100003f00497c449fffd9");
const std::string kPng = testing::fromHex(
    "89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a73000000124944415478da63f8cfc0c000c20cff810000"
    "1fee05fbf1abba770000000049454e44ae426082");

// Every property family in one card (with a JPEG photo), a work-only card
// with a PNG photo, and a card with a company alone.
const std::string kFamilies =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Brennan;Aoife;Siobh\xC3\xA1n;Ms.;Jr.\r\nFN:Aoife Brennan\r\n"
    "ORG:Cliffside Analytics;Forecasting\r\nTITLE:Senior Analyst\r\nROLE:Team lead\r\n"
    "TEL;TYPE=WORK,VOICE:+353 1 555 0101\r\nTEL;TYPE=WORK,FAX:+353 1 555 0102\r\n"
    "TEL;TYPE=HOME,VOICE:+353 1 555 0103\r\nTEL;TYPE=HOME,FAX:+353 1 555 0104\r\n"
    "TEL;TYPE=CELL:+353 87 555 0105\r\nTEL;TYPE=PAGER:+353 1 555 0106\r\nTEL;TYPE=CAR:+353 86 555 0107\r\n"
    "ADR;TYPE=WORK:;;12 Dock Road;Galway;Connacht;H91 X2Y3;Ireland\r\n"
    "ADR;TYPE=HOME:;;4 Sea View;Salthill;Co. Galway;H91 A1B2;Ireland\r\n"
    "EMAIL;TYPE=INTERNET,PREF:aoife@cliffside.example\r\nEMAIL;TYPE=INTERNET:aoife.brennan@mail.example\r\n"
    "URL:https://cliffside.example/aoife\r\nX-IMADDRESS:aoife@im.example\r\n"
    "BDAY:1985-02-28\r\nX-ANNIVERSARY:2012-09-15\r\nCATEGORIES:Clients,Ireland,Board\r\n"
    "NOTE:First line\\, with a comma.\\nSecond line \xE2\x98\x95 \xF0\x9F\x99\x82\r\nNICKNAME:Eefa\r\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:" + testing::base64(kJpeg) + "\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Quigley;Ronan;;;\r\nFN:Ronan Quigley\r\nEMAIL:ronan@quigley.example\r\n"
    "ADR;TYPE=work:;;7 Long Walk;Cork;;T12 AB34;Ireland\r\n"
    "PHOTO:data:image/png;base64," + testing::base64(kPng) + "\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nORG:Only Company Ltd\r\nEND:VCARD\r\n";

// The sample cards and the property families, each contact read back by every
// reader; the names and addresses Outlook composes are written out here. The
// families are converted in a time zone with daylight saving time: a February
// date's midnight is 23:00 UTC the day before, a September date's 22:00; the
// others in UTC, but for a day whose midnight is skipped.
TEST(OutlookReaders, EveryCardReadsBackEverywhereAsTheReaderUnderstoodIt) {
    TempDir work;
    const fs::path families = work.write("families.vcf", kFamilies);
    const fs::path brazil = work.write("brazil.vcf", "BEGIN:VCARD\r\nN:Souza;Ana;;;\r\nBDAY:2018-10-21\r\n"
                                                     "X-ANNIVERSARY:2018-10-22\r\nEND:VCARD\r\n");
    const std::string examples = std::string(TESSALY_SOURCE_DIR) + "/examples";
    const struct {
        fs::path source;
        ReadMode mode;
        const char* zone;
        std::vector<Composed> composed;  // in the order of the cards
    } runs[] = {
        {families, ReadMode::Normal, "CET-1CEST,M3.5.0,M10.5.0/3",
         {{"Ms. Aoife Siobh\xC3\xA1n Brennan Jr.", "Brennan, Aoife Siobh\xC3\xA1n",
           "12 Dock Road\r\nGalway, Connacht H91 X2Y3\r\nIreland",
           "4 Sea View\r\nSalthill, Co. Galway H91 A1B2\r\nIreland", "1985-02-27T23:00:00", "2012-09-14T22:00:00"},
          {"Ronan Quigley", "Quigley, Ronan", "7 Long Walk\r\nCork, T12 AB34\r\nIreland", ""},
          // Without a name, the company names the contact and files it.
          {"Only Company Ltd", "Only Company Ltd", "", ""}}},
        {examples, ReadMode::Normal, "UTC0",
         {{"Chidinma Okafor", "Okafor, Chidinma", "1 Quay Street\r\nBristol, BS1 4DJ\r\nUnited Kingdom", ""},
          {"Hiroshi Tanaka", "Tanaka, Hiroshi", "", "2-11-3 Meguro\r\nTokyo, 153-0063\r\nJapan"},
          // A name from FN alone is split as Outlook splits a full name.
          {"Front Desk", "Desk, Front", "", ""},
          {"Dr. Maja Elin Lindqvist PhD", "Lindqvist, Maja Elin",
           "Kajgatan 4\r\nG\xC3\xB6teborg, V\xC3\xA4stra G\xC3\xB6taland 411 04\r\nSweden", ""},
          {"S\xC3\xB8ren \xC3\x98stergaard", "\xC3\x98stergaard, S\xC3\xB8ren", "",
           "N\xC3\xB8rrebrogade 12\r\nK\xC3\xB8" "benhavn, 2200\r\nDenmark"}}},
        {examples + "/lf-line-ends", ReadMode::Advance, "UTC0",
         {{"Mme \xC3\x89lodie Moreau", "Moreau, \xC3\x89lodie", "", "12 rue des Lilas\r\nLyon, 69003\r\nFrance"},
          {"Paulo Souza", "Souza, Paulo", "", ""}}},
        // Where daylight saving time begins at midnight (Brazil's rule until
        // 2019), that day's midnight does not exist: the day begins at 01:00
        // summer time, 03:00 UTC, and the stored time must still fall on that
        // day, not at 23:00 the day before. The next day begins at 00:00.
        {brazil, ReadMode::Normal, "BRT3BRST,M10.3.0/0,M2.3.0/0",
         {{"Ana Souza", "Souza, Ana", "", "", "2018-10-21T03:00:00", "2018-10-22T02:00:00"}}},
    };
    int index = 0;
    for (const auto& [source, mode, zone, composed] : runs) {
        SCOPED_TRACE(source);
        const auto cards = cardsOf(source, mode);
        ASSERT_EQ(cards.size(), composed.size());
        const fs::path out = work.path() / std::to_string(++index);
        const ConvertedRun run = convertToPst(source, out, mode == ReadMode::Advance ? " --mode advance" : "", zone);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(run.saved, static_cast<int>(cards.size()));
        EXPECT_EQ(run.pst.parent_path(), out);
        EXPECT_EQ(run.err, "(" + std::to_string(cards.size()) + ") vCards Saved\n");
        std::vector<ExpectedContact> expected;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            const auto photo = cards[i].find("ePhoto");
            const std::string picture = photo == cards[i].end() ? "" : readFile(out / "vCardPictures" / photo->second);
            expected.push_back({cards[i], composed[i], picture});
        }
        expectStore(run.pst, work.path() / ("read" + std::to_string(index)), expected);
    }
    // Every slot family was filled (so none went unchecked), and the pictures
    // the run wrote are the cards' own.
    EXPECT_EQ(cardsOf(families, ReadMode::Normal).at(0).size(), 37u);
    EXPECT_TRUE(readFile(work.path() / "1" / "vCardPictures" / ".gif") == kJpeg);
    EXPECT_TRUE(readFile(work.path() / "1" / "vCardPictures" / "1.gif") == kPng);
}

// The two ends of the dates a contact takes, 1601-01-01 and 9999-12-31. In
// UTC both are kept. Nine hours east of UTC a date's midnight is 15:00 UTC the
// day before: 1601-01-02 is kept at 1601-01-01T15:00, while 1601-01-01 would
// fall in 1600, before any time the property can hold, so that anniversary is
// left out and reported like any other value a contact was saved without.
TEST(OutlookReaders, DatesAtTheEndsOfTheRangeAreKeptUnlessTheirTimeInUtcFallsBefore1601) {
    TempDir work;
    const fs::path source = work.write("ends.vcf", "BEGIN:VCARD\r\nN:Ende;Birgit;;;\r\nBDAY:9999-12-31\r\n"
                                                   "X-ANNIVERSARY:1601-01-01\r\nEND:VCARD\r\n"
                                                   "BEGIN:VCARD\r\nN:Early;Ada;;;\r\nX-ANNIVERSARY:1601-01-02\r\n"
                                                   "END:VCARD\r\n");
    const auto cards = cardsOf(source, ReadMode::Normal);
    ASSERT_EQ(cards.size(), 2u);
    ASSERT_EQ(cards[0].at("Anniversary"), "1601-01-01");

    const ConvertedRun utc = convertToPst(source, work.path() / "utc");
    EXPECT_EQ(utc.status, 0) << utc.out << utc.err;
    expectStore(utc.pst, work.path() / "read-utc",
                {{cards[0], {"Birgit Ende", "Ende, Birgit", "", ""}, ""},
                 {cards[1], {"Ada Early", "Early, Ada", "", ""}, ""}});

    const ConvertedRun east = convertToPst(source, work.path() / "east", "", "JST-9");
    EXPECT_EQ(east.status, 1) << east.out << east.err;
    EXPECT_EQ(east.saved, 2) << east.out;
    EXPECT_NE(east.out.find("1 value or picture was left out of its contact\n  " + source.string() +
                            ":1: card 1: Anniversary: the property Anniversary cannot hold a date whose local "
                            "midnight falls before 1601 in UTC\n"),
              std::string::npos)
        << east.out;
    Slots withoutAnniversary = cards[0];
    withoutAnniversary.erase("Anniversary");
    expectStore(east.pst, work.path() / "read-east",
                {{withoutAnniversary, {"Birgit Ende", "Ende, Birgit", "", "", "9999-12-30T15:00:00"}, ""},
                 {cards[1], {"Ada Early", "Early, Ada", "", "", "", "1601-01-01T15:00:00"}, ""}});
    // Only Ada's anniversary is stored, in either form.
    int utcForms = 0, localForms = 0;
    const fs::path contacts = work.path() / "read-east" / "pff" / "out.export" / "Top of Personal Folders" / "Contacts";
    for (const auto& entry : fs::directory_iterator(contacts)) {
        if (!entry.path().filename().string().starts_with("Contact")) continue;
        for (const auto& value : testing::readItemValues(entry.path() / "ItemValues.txt")) {
            utcForms += value.entryType == 0x3A41;
            localForms += value.mapsTo == 0x80DF;
        }
    }
    EXPECT_EQ(utcForms, 1);
    EXPECT_EQ(localForms, 1);
}

// ---- Faults ----

const std::string kTwoCards =
    "BEGIN:VCARD\r\nN:Last1;First1\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Last2;First2\r\nEND:VCARD\r\n";

// A folder that cannot be made, and one in which no file can be made (root
// may write anywhere else): each fails the run with status 1 and a message
// naming the path and the cause, and nothing is left behind. (A store that
// cannot be written to the end is the disk-full run test's.)
TEST(OutlookTargetFaults, AnOutputThatCannotBeWrittenFailsTheRunAndLeavesNothing) {
    TempDir work;
    const fs::path underFile = work.write("plain-file", "") / "out";
    const std::string convert = shellQuote(TESSALY_EXECUTABLE) + " convert " +
                                shellQuote(work.write("cards.vcf", kTwoCards).string()) + " --to pst --out ";
    const struct {
        const char* name;
        std::string command, path, cause;
        bool sessionFailed;  // the session's failure message is shown
    } cases[] = {
        {"a folder under a regular file", convert + shellQuote(underFile.string()), underFile.string(),
         "Not a directory", false},
        {"a folder where no file can be made", convert + "/proc/1", "/proc/1/Contacts",
         "cannot create a file in /proc/1", true},
        {"a link at the folder's name", convert + "/proc/self", "/proc/self",
         "the output folder's name is a link; no file is written through it", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = runCommand("LC_ALL=C " + c.command);
        const std::string& message = result.err;
        EXPECT_EQ(result.status, 1) << result.out << result.err;
        EXPECT_NE(message.find(c.path), std::string::npos) << message;
        EXPECT_NE(message.find(c.cause), std::string::npos) << message;
        EXPECT_EQ(listed(split(message, '\n'), "Outlook Session Creation Error !"), c.sessionFailed) << message;
        EXPECT_EQ(result.out.find("Wrote "), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("Finished Importing vCards."), std::string::npos) << result.out;
    }
    // Nothing was made beside the source and the first folder's parent.
    EXPECT_EQ(testing::folderEntries(work.path()), (std::vector<fs::path>{"cards.vcf", "plain-file"}));
    EXPECT_TRUE(fs::is_regular_file(underFile.parent_path()));
}

// Pictures in an output folder others may write in: a file or a link at
// vCardPictures is reported and no picture file is written there, a link at a
// picture's name is replaced rather than followed. The contact always gets
// its picture, which the store takes from the card, never from the file.
TEST(OutlookTargetFaults, WhatIsPlantedInThePictureFolderCostsAtMostThePictureFile) {
    const struct {
        const char* name;
        void (*prepare)(const fs::path& work, const fs::path& out);
        std::string report;  // empty: the run reports nothing
    } cases[] = {
        {"vCardPictures is a file",
         [](const fs::path&, const fs::path& out) { testing::writeFile(out / "vCardPictures", ""); },
         "1 picture file could not be written\n  %s:5: picture file %o/vCardPictures/.gif could not be written: a "
         "file that is not a folder has the folder's name"},
        {"vCardPictures is a link to a folder",
         [](const fs::path& work, const fs::path& out) {
             fs::create_directories(work / "elsewhere");
             fs::create_directory_symlink(work / "elsewhere", out / "vCardPictures");
         },
         "1 picture file could not be written\n  %s:5: picture file %o/vCardPictures/.gif could not be written: the "
         "folder's name is a link; no picture is written through it"},
        {"the picture's name is a link to a file",
         [](const fs::path& work, const fs::path& out) {
             fs::create_directories(out / "vCardPictures");
             testing::writeFile(work / "precious", "precious");
             fs::create_symlink(work / "precious", out / "vCardPictures" / ".gif");
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir work;
        const fs::path source = work.write("niamh.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Walsh;Niamh;;;\r\nEMAIL:niamh@"
                                                        "walsh.example\r\nPHOTO;ENCODING=b;TYPE=JPEG:" +
                                                            testing::base64(kJpeg) + "\r\nEND:VCARD\r\n");
        const fs::path out = work.path() / "out";
        fs::create_directories(out);
        c.prepare(work.path(), out);
        const ConvertedRun run = convertToPst(source, out);
        EXPECT_EQ(run.status, c.report.empty() ? 0 : 1) << run.out << run.err;
        EXPECT_EQ(run.saved, 1) << run.out;
        if (!c.report.empty()) {
            std::string report = c.report;
            report.replace(report.find("%s"), 2, source.string());
            report.replace(report.find("%o"), 2, out.string());
            EXPECT_NE(run.out.find(report), std::string::npos) << run.out;
        } else {
            EXPECT_EQ(readFile(work.path() / "precious"), "precious");
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out / "vCardPictures" / ".gif")));
            EXPECT_TRUE(readFile(out / "vCardPictures" / ".gif") == kJpeg);
        }
        if (fs::exists(work.path() / "elsewhere")) {
            EXPECT_TRUE(fs::is_empty(work.path() / "elsewhere"));
        }
        // The contact with its values and its photo.
        const Slots slots = {{"FirstName", "Niamh"}, {"LastName", "Walsh"}, {"Email", "niamh@walsh.example"}};
        expectStore(run.pst, work.path(), {{slots, {"Niamh Walsh", "Walsh, Niamh", "", ""}, kJpeg}});
    }
}

// Files named for the next seconds are in the way: the run takes the next
// free name and touches none of them, and a second run touches neither them
// nor the first run's file.
TEST(OutlookTargetFaults, EarlierFilesAreNeverTouched) {
    TempDir work;
    const fs::path source = work.write("cards.vcf", kTwoCards);
    const fs::path out = work.path() / "out";
    std::map<std::string, std::string> earlier;  // name -> content
    const std::time_t now = std::time(nullptr);
    for (std::time_t second = now; second < now + 20; ++second) {
        std::tm utc{};
        char stamp[64];
        std::strftime(stamp, sizeof stamp, "Contacts%-d.%-m.%y %-H.%-M.%S.pst", gmtime_r(&second, &utc));
        const std::string name = stamp;
        earlier[name] = "an earlier file " + name;
        work.write("out/" + name, earlier[name]);
    }
    const ConvertedRun first = convertToPst(source, out);
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    const std::string name = first.pst.filename().string();
    ASSERT_TRUE(name.ends_with(" (2).pst")) << name;
    EXPECT_TRUE(earlier.count(name.substr(0, name.size() - 8) + ".pst")) << name;
    const std::string firstBytes = readFile(first.pst);
    const ConvertedRun second = convertToPst(source, out);
    ASSERT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_NE(second.pst, first.pst);
    EXPECT_TRUE(readFile(first.pst) == firstBytes);
    for (const auto& [earlierName, content] : earlier) EXPECT_EQ(readFile(out / earlierName), content) << earlierName;
    EXPECT_EQ(testing::folderEntries(out).size(), earlier.size() + 2);
    // Both stores are whole; what a store holds is read back in the first test.
    EXPECT_EQ(first.saved + second.saved, 4);
    testing::expectValidPst(first.pst);
    testing::expectValidPst(second.pst);
}

}  // namespace
}  // namespace tessaly
