// `tessaly convert --to pst` end to end: the contacts it writes are read back
// by readers nobody on this team wrote (pffexport, readpst, pst-extractor)
// and checked by `tessaly verify-pst`, value by value against the cards that
// went in; then the ways the target can fail, and what each leaves behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::TempDir;

const std::string kContactsPath = "/Top of Personal Folders/Contacts";

// Runs the executable in a fixed time zone: dates are stored as the local
// midnight, and the file's name holds the local time.
testing::CommandResult tessaly(const std::string& arguments, const std::string& timeZone = "UTC0") {
    return runCommand("LC_ALL=C TZ=" + shellQuote(timeZone) + " " + shellQuote(TESSALY_EXECUTABLE) + " " + arguments);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// ---- Bytes and text ----

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
}

std::string fromHex(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    return out;
}

std::string base64(const std::string& bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[group >> 18];
        out += alphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
    }
    return out;
}

std::string littleEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
    return out;
}

std::uint32_t byteAt(const std::string& bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

// UTF-16LE text as UTF-8; a lone surrogate becomes U+FFFD.
std::string utf8FromUtf16(const std::string& bytes) {
    std::string out;
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(byteAt(bytes, i) | byteAt(bytes, i + 1) << 8);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        const auto tail = [&](int shift) { out += static_cast<char>(0x80 | (c >> shift & 63)); };
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            tail(0);
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            tail(6);
            tail(0);
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            tail(12);
            tail(6);
            tail(0);
        }
    }
    return out;
}

// A stored FILETIME (100 ns since 1601, little-endian) as "YYYY-MM-DDTHH:MM:SS" in UTC.
std::string utcTimeOf(const std::string& fileTime) {
    using namespace std::chrono;
    if (fileTime.size() != 8) return "(" + std::to_string(fileTime.size()) + " bytes)";
    std::uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i) ticks = ticks << 8 | static_cast<unsigned char>(fileTime[i]);
    const sys_seconds time = sys_days(year(1601) / January / 1) + seconds(ticks / 10000000);
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(time - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long>(clock.hours().count()), static_cast<long>(clock.minutes().count()),
                  static_cast<long>(clock.seconds().count()));
    return text;
}

// A value as readpst writes it into a vCard: "\", ";" and "," escaped, a line
// break written "\n".
std::string readpstEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') out += "\\n";
        else if (c == '\\' || c == ';' || c == ',') out += {'\\', c};
        else out += c;
    }
    return out;
}

// ---- What went in ----

// A contact as it should come out: the record's filled slots (named as
// `tessaly cards` names them, without "eContact_"), and what Outlook
// composes from them.
struct ExpectedContact {
    std::map<std::string, std::string> slots;
    std::string displayName, fileAs;
    std::string workAddress, homeAddress;     // the address texts, their lines joined by CR LF
    std::string birthdayUtc, anniversaryUtc;  // the local midnight in UTC, "YYYY-MM-DDTHH:MM:SS"
    std::string photo, photoType;             // the picture's bytes and MIME type

    std::string slot(const std::string& name) const {
        const auto found = slots.find(name);
        return found == slots.end() ? std::string() : found->second;
    }
};

// Slots stored in one property each: a tagged one, or a named one of the
// address property set by LID.
struct SlotProperty {
    const char* slot;
    std::uint32_t tag;
    std::uint32_t lid;
};
const SlotProperty kSlotProperties[] = {
    {"FirstName", 0x3A06, 0},       {"MiddleName", 0x3A44, 0},      {"LastName", 0x3A11, 0},
    {"Title", 0x3A45, 0},           {"Suffix", 0x3A05, 0},          {"Company", 0x3A16, 0},
    {"Department", 0x3A18, 0},      {"JobTitle", 0x3A17, 0},        {"Profession", 0x3A46, 0},
    {"OfficePhone", 0x3A08, 0},     {"OfficeFax", 0x3A24, 0},       {"HomePhone", 0x3A09, 0},
    {"HomeFax", 0x3A25, 0},         {"CellPhone", 0x3A1C, 0},       {"Pager", 0x3A21, 0},
    {"CarPhone", 0x3A1E, 0},        {"PersonalAddress", 0x3A5D, 0}, {"PersonalCity", 0x3A59, 0},
    {"PersonalState", 0x3A5C, 0},   {"PersonalZip", 0x3A5B, 0},     {"PersonalCountry", 0x3A5A, 0},
    {"BusinessAddress", 0, 0x8045}, {"BusinessCity", 0, 0x8046},    {"BusinessState", 0, 0x8047},
    {"BusinessZip", 0, 0x8048},     {"BusinessCountry", 0, 0x8049}, {"WebPage", 0x3A51, 0},
    {"WebPage", 0, 0x802B},         {"Comments", 0x1000, 0},        {"ShortName", 0x3A4F, 0},
    {"Email", 0, 0x8083},           {"Email2", 0, 0x8093},          {"IMAddress", 0, 0x8062},
};

// The mailing address's parts when the home address is the mailing one.
const SlotProperty kMailingAddress[] = {{"PersonalAddress", 0x3A29, 0}, {"PersonalCity", 0x3A27, 0},
                                        {"PersonalState", 0x3A28, 0},   {"PersonalZip", 0x3A2A, 0},
                                        {"PersonalCountry", 0x3A26, 0}};

// How readpst types each telephone.
const std::pair<const char*, const char*> kReadpstTelephones[] = {
    {"OfficePhone", "work,voice"}, {"OfficeFax", "work,fax"}, {"HomePhone", "home,voice"}, {"HomeFax", "home,fax"},
    {"CellPhone", "cell,voice"},   {"Pager", "pager"},        {"CarPhone", "car,voice"}};

// The cards of `tessaly cards` output, each slot's value unescaped.
std::vector<std::map<std::string, std::string>> cardsOf(const std::string& output) {
    std::vector<std::map<std::string, std::string>> cards;
    for (const std::string& line : split(output, '\n')) {
        if (line.rfind("card ", 0) == 0) {
            cards.emplace_back();
            continue;
        }
        const auto tab = line.find('\t');
        if (tab == std::string::npos || cards.empty()) continue;
        const std::string name = line.substr(0, tab);
        std::string value;
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] != '\\' || i + 1 == line.size()) {
                value += line[i];
                continue;
            }
            const char escaped = line[++i];
            value += escaped == 'n' ? "\r\n" : escaped == 't' ? "\t" : escaped == 'r' ? "\r" : std::string(1, escaped);
        }
        cards.back()[name.substr(name.rfind('_') + 1)] = value;
    }
    return cards;
}

// ---- What came out ----

struct ConvertedRun {
    int status = -1;
    std::string out, err;
    int saved = -1;  // from "Wrote N cards to PATH"
    fs::path pst;
};

ConvertedRun convertToPst(const std::string& source, const fs::path& folder, const std::string& more = "",
                          const std::string& timeZone = "UTC0") {
    const auto result =
        tessaly("convert " + shellQuote(source) + " --to pst --out " + shellQuote(folder.string()) + more, timeZone);
    ConvertedRun run;
    run.status = result.status;
    run.out = result.out;
    run.err = result.err;
    for (const std::string& line : split(result.out, '\n')) {
        if (line.rfind("Wrote ", 0) != 0) continue;
        run.saved = std::stoi(line.substr(6));
        run.pst = line.substr(line.find(" to ") + 4);
    }
    return run;
}

struct PffContact {
    std::vector<testing::PffValue> values;
    std::optional<std::string> photo;  // the exported attachment
};

struct ReadBack {
    std::map<std::string, PffContact> pff;  // by display name
    std::size_t pffContacts = 0;
    std::string pffFolderCount;  // PidTagContentCount of the contacts folder
    std::string readpstOut;
    std::vector<std::set<std::string>> readpstCards;  // each vCard's lines
    std::vector<std::string> listing;                 // pst-extractor
    std::vector<std::string> attachments;             // pst-extractor's attachment lines
};

using Values = std::vector<testing::PffValue>;

// A tagged value by its id, or (tag 0) a named one by its LID.
std::optional<std::string> bytesOf(const Values& values, std::uint32_t tag, std::uint32_t lid = 0) {
    for (const auto& value : values)
        if (tag != 0 ? value.entryType == tag : value.mapsTo == lid) return value.bytes;
    return std::nullopt;
}

std::optional<std::string> textOf(const Values& values, std::uint32_t tag, std::uint32_t lid = 0) {
    const auto bytes = bytesOf(values, tag, lid);
    return bytes ? std::optional(utf8FromUtf16(*bytes)) : std::nullopt;
}

std::optional<std::string> timeOf(const Values& values, std::uint32_t tag, std::uint32_t lid = 0) {
    const auto bytes = bytesOf(values, tag, lid);
    return bytes ? std::optional(utcTimeOf(*bytes)) : std::nullopt;
}

// The values of PidNameKeywords, a multi-valued string: a count, an offset
// for each value, then the values.
std::vector<std::string> keywordsOf(const Values& values) {
    for (const auto& value : values) {
        if (value.mapsToName != "Keywords") continue;
        const std::string& bytes = value.bytes;
        const auto word = [&](std::size_t at) {
            return static_cast<std::size_t>(byteAt(bytes, at) | byteAt(bytes, at + 1) << 8 |
                                            byteAt(bytes, at + 2) << 16 | byteAt(bytes, at + 3) << 24);
        };
        if (bytes.size() < 4) return {"(short value)"};
        const std::size_t count = word(0);
        if (bytes.size() < 4 + 4 * count) return {"(short value)"};
        std::vector<std::string> keywords;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t start = word(4 + 4 * i), end = i + 1 < count ? word(8 + 4 * i) : bytes.size();
            const bool inside = start <= end && end <= bytes.size();
            keywords.push_back(inside ? utf8FromUtf16(bytes.substr(start, end - start)) : "(bad offset)");
        }
        return keywords;
    }
    return {};
}

// Every reader's view of a store: pffexport's value dumps, readpst's vCards,
// pst-extractor's listing. The verifier's word comes first.
ReadBack readBack(const fs::path& pst, const fs::path& work) {
    ReadBack back;
    const auto verified = tessaly("verify-pst " + shellQuote(pst.string()));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_NE(verified.out.find(": 0 violation(s)"), std::string::npos) << verified.out;

    fs::create_directories(work / "pff");
    const fs::path contacts = testing::pffExport(pst, work / "pff") / "Top of Personal Folders" / "Contacts";
    if (fs::is_directory(contacts)) {
        back.pffFolderCount = bytesOf(testing::readItemValues(contacts / "ItemValues.txt"), 0x3602).value_or("");
        for (const auto& entry : fs::directory_iterator(contacts)) {
            if (entry.path().filename().string().rfind("Contact", 0) != 0) continue;
            ++back.pffContacts;
            PffContact contact{testing::readItemValues(entry.path() / "ItemValues.txt"), std::nullopt};
            const fs::path photo = entry.path() / "Attachments" / "1_ContactPicture.jpg";
            if (fs::exists(photo)) contact.photo = readFile(photo);
            back.pff[textOf(contact.values, 0x3001).value_or("")] = std::move(contact);
        }
    }

    back.readpstOut = testing::readpst(pst, work / "readpst", "-D -r");
    for (const auto& entry : fs::recursive_directory_iterator(work / "readpst")) {
        if (entry.path().filename() != "contacts" || entry.path().parent_path().filename() != "Contacts") continue;
        std::set<std::string>* current = nullptr;
        for (const std::string& line : split(readFile(entry.path()), '\n')) {
            if (line == "BEGIN:VCARD") current = &back.readpstCards.emplace_back();
            else if (current) current->insert(line);
        }
    }

    back.listing = testing::npmListing(pst);
    const auto script = fs::path(TESSALY_SOURCE_DIR) / "tests" / "pst" / "node" / "list-store.js";
    const auto listed =
        runCommand("node " + shellQuote(script.string()) + " " + shellQuote(pst.string()) + " --attachments");
    EXPECT_EQ(listed.status, 0) << listed.err;
    for (const std::string& line : split(listed.out, '\n'))
        if (line.rfind("attachment\t", 0) == 0) back.attachments.push_back(line);
    return back;
}

bool listed(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The store holds exactly `count` contacts, for every reader.
void expectContactCount(const ReadBack& back, int count) {
    EXPECT_EQ(back.pffContacts, static_cast<std::size_t>(count));
    EXPECT_EQ(back.pffFolderCount, littleEndian(static_cast<std::uint64_t>(count), 4));
    EXPECT_NE(back.readpstOut.find("\"Contacts\" - " + std::to_string(count) + " items done, 0 items skipped."),
              std::string::npos) << back.readpstOut;
    EXPECT_EQ(back.readpstCards.size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(listed(back.listing, "folder\t" + kContactsPath + "\tIPF.Contact\t" + std::to_string(count)));
}

void expectPffValues(const PffContact& contact, const ExpectedContact& expected) {
    const auto& values = contact.values;
    EXPECT_EQ(textOf(values, 0x3001), expected.displayName);
    EXPECT_EQ(textOf(values, 0x0037), "\x01\x01" + expected.displayName);  // no subject prefix
    EXPECT_EQ(textOf(values, 0x001A), std::string("IPM.Contact"));
    EXPECT_EQ(textOf(values, 0, 0x8005), expected.fileAs);
    for (const auto& [slot, tag, lid] : kSlotProperties) {
        const std::string value = expected.slot(slot);
        if (value.empty()) continue;
        EXPECT_EQ(textOf(values, tag, lid), value) << slot << " in 0x" << std::hex << (tag != 0 ? tag : lid);
    }
    if (!expected.workAddress.empty()) {
        EXPECT_EQ(textOf(values, 0, 0x801B), expected.workAddress);
    }
    if (!expected.homeAddress.empty()) {
        EXPECT_EQ(textOf(values, 0, 0x801A), expected.homeAddress);
    }
    if (expected.slot("eSelAddress") == "1") {
        for (const auto& [slot, tag, lid] : kMailingAddress) {
            if (!expected.slot(slot).empty()) {
                EXPECT_EQ(textOf(values, tag), expected.slot(slot)) << "mailing " << slot;
            }
        }
        EXPECT_EQ(textOf(values, 0x3A15), expected.homeAddress);
        EXPECT_EQ(bytesOf(values, 0, 0x8022), littleEndian(1, 4));  // PidLidPostalAddressId: home
    }
    if (!expected.slot("Categories").empty()) {
        EXPECT_EQ(keywordsOf(values), split(expected.slot("Categories"), ','));
    }
    // Dates: the local midnight in UTC, and the same midnight unconverted.
    const std::pair<const char*, std::string> dates[] = {{"BirthDay", expected.birthdayUtc},
                                                         {"Anniversary", expected.anniversaryUtc}};
    const std::uint32_t utcTags[] = {0x3A42, 0x3A41}, localLids[] = {0x80DE, 0x80DF};
    for (int i = 0; i < 2; ++i) {
        const std::string date = expected.slot(dates[i].first);
        if (date.empty()) continue;
        EXPECT_EQ(timeOf(values, utcTags[i]), dates[i].second) << dates[i].first;
        EXPECT_EQ(timeOf(values, 0, localLids[i]), date + "T00:00:00") << dates[i].first;
    }
    EXPECT_EQ(contact.photo.has_value(), !expected.photo.empty());
    if (contact.photo && !expected.photo.empty()) {
        EXPECT_TRUE(*contact.photo == expected.photo) << hex(*contact.photo);
    }
}

void expectReadpstCard(const ReadBack& back, const ExpectedContact& expected) {
    const std::set<std::string>* card = nullptr;
    for (const auto& candidate : back.readpstCards)
        if (candidate.count("FN:" + readpstEscaped(expected.fileAs))) card = &candidate;
    ASSERT_NE(card, nullptr) << "readpst has no card FN:" << readpstEscaped(expected.fileAs);
    std::vector<std::string> lines;
    std::string name;
    for (const char* part : {"LastName", "FirstName", "MiddleName", "Title", "Suffix"})
        name += (name.empty() ? "N:" : ";") + readpstEscaped(expected.slot(part));
    lines.push_back(name);
    const std::pair<const char*, const char*> plain[] = {{"Email", "EMAIL:"},      {"Email2", "EMAIL:"},
                                                         {"Company", "ORG:"},      {"JobTitle", "TITLE:"},
                                                         {"Profession", "ROLE:"},  {"ShortName", "NICKNAME:"},
                                                         {"Comments", "NOTE:"}};
    for (const auto& [slot, prefix] : plain)
        if (!expected.slot(slot).empty()) lines.push_back(prefix + readpstEscaped(expected.slot(slot)));
    for (const auto& [slot, type] : kReadpstTelephones)
        if (!expected.slot(slot).empty()) lines.push_back(std::string("TEL;TYPE=") + type + ":" + expected.slot(slot));
    if (!expected.workAddress.empty()) lines.push_back("LABEL;TYPE=work:" + readpstEscaped(expected.workAddress));
    if (!expected.homeAddress.empty()) {
        lines.push_back("LABEL;TYPE=home:" + readpstEscaped(expected.homeAddress));
        std::string parts = "ADR;TYPE=home:;";
        for (const char* part : {"PersonalAddress", "PersonalCity", "PersonalState", "PersonalZip", "PersonalCountry"})
            parts += ";" + readpstEscaped(expected.slot(part));
        lines.push_back(parts);
    }
    if (!expected.birthdayUtc.empty()) lines.push_back("BDAY:" + expected.birthdayUtc + "Z");
    std::string seen;
    for (const auto& line : *card) seen += line + "\n";
    for (const auto& line : lines) EXPECT_TRUE(card->count(line)) << line << "\nnot among:\n" << seen;
}

void expectPstExtractorItem(const ReadBack& back, const ExpectedContact& expected) {
    const std::string size = std::to_string(expected.photo.size());
    const std::string photo = expected.photo.empty() ? "" : "ContactPicture.jpg:" + size;
    const std::string item = "item\t" + kContactsPath + "\tIPM.Contact\t" + expected.displayName + "\t" +
                             expected.slot("Email") + "\t" + photo;
    EXPECT_TRUE(listed(back.listing, item)) << item;
    if (expected.photo.empty()) return;
    const std::string attachment = "attachment\t" + kContactsPath + "\t" + expected.displayName +
                                   "\tContactPicture.jpg\t" + expected.photoType + "\t" + size + "\t" +
                                   hex(expected.photo);
    EXPECT_TRUE(listed(back.attachments, attachment)) << attachment;
}

void expectContacts(const ReadBack& back, const std::vector<ExpectedContact>& contacts) {
    expectContactCount(back, static_cast<int>(contacts.size()));
    for (const ExpectedContact& expected : contacts) {
        SCOPED_TRACE(expected.displayName);
        const auto found = back.pff.find(expected.displayName);
        if (found == back.pff.end()) {
            ADD_FAILURE() << "pffexport has no contact named " << expected.displayName;
        } else {
            expectPffValues(found->second, expected);
        }
        expectReadpstCard(back, expected);
        expectPstExtractorItem(back, expected);
    }
}

// ---- The cards ----

// A 4x4 grey JPEG (cjpeg -grayscale -optimize) and a 2x2 RGB PNG.
const std::string kJpeg = fromHex(
    "ffd8ffe000104a46494600010100000100010000ffdb004300100b0c0e0c0a100e0d0e1211101318281a181616183123251d283a333d3c39"
    "33383740485c4e404457453738506d51575f626768673e4d71797064785c656763ffc0000b080004000401011100ffc400140001000000"
    "00000000000000000000000003ffc40017100003010000000000000000000000000000030635ffda0008010100003f00497c449fffd9");
const std::string kPng = fromHex(
    "89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a73000000124944415478da63f8cfc0c000c20cff810000"
    "1fee05fbf1abba770000000049454e44ae426082");

// Base64 folded as vCard 3.0 writers fold it: 75 characters a line.
std::string folded(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += 74) out += (at > 0 ? "\r\n " : "") + text.substr(at, 74);
    return out;
}

// A time zone with daylight saving time: a February date's midnight is
// 23:00 UTC the day before, a September date's 22:00.
const char* const kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(OutlookReaders, EveryPropertyFamilyOfACardReadsBackEverywhere) {
    TempDir work;
    const std::string cards =
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
        "PHOTO;ENCODING=b;TYPE=JPEG:" + folded(base64(kJpeg)) + "\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Quigley;Ronan;;;\r\nFN:Ronan Quigley\r\nEMAIL:ronan@quigley.example\r\n"
        "ADR;TYPE=work:;;7 Long Walk;Cork;;T12 AB34;Ireland\r\n"
        "PHOTO:data:image/png;base64," + base64(kPng) + "\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nORG:Only Company Ltd\r\nEND:VCARD\r\n";
    const fs::path source = work.write("families.vcf", cards);
    const ConvertedRun run = convertToPst(source.string(), work.path() / "out", "", kCentralEurope);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.saved, 3);

    ExpectedContact full;
    full.slots = {{"FirstName", "Aoife"},
                  {"MiddleName", "Siobh\xC3\xA1n"},
                  {"LastName", "Brennan"},
                  {"Title", "Ms."},
                  {"Suffix", "Jr."},
                  {"Company", "Cliffside Analytics"},
                  {"Department", "Forecasting"},
                  {"JobTitle", "Team lead"},
                  {"Profession", "Senior Analyst"},
                  {"OfficePhone", "+353 1 555 0101"},
                  {"OfficeFax", "+353 1 555 0102"},
                  {"HomePhone", "+353 1 555 0103"},
                  {"HomeFax", "+353 1 555 0104"},
                  {"CellPhone", "+353 87 555 0105"},
                  {"Pager", "+353 1 555 0106"},
                  {"CarPhone", "+353 86 555 0107"},
                  {"BusinessAddress", "12 Dock Road"},
                  {"BusinessCity", "Galway"},
                  {"BusinessState", "Connacht"},
                  {"BusinessZip", "H91 X2Y3"},
                  {"BusinessCountry", "Ireland"},
                  {"PersonalAddress", "4 Sea View"},
                  {"PersonalCity", "Salthill"},
                  {"PersonalState", "Co. Galway"},
                  {"PersonalZip", "H91 A1B2"},
                  {"PersonalCountry", "Ireland"},
                  {"eSelAddress", "1"},
                  {"Email", "aoife@cliffside.example"},
                  {"Email2", "aoife.brennan@mail.example"},
                  {"WebPage", "https://cliffside.example/aoife"},
                  {"IMAddress", "aoife@im.example"},
                  {"BirthDay", "1985-02-28"},
                  {"Anniversary", "2012-09-15"},
                  {"Categories", "Clients,Ireland,Board"},
                  {"Comments", "First line, with a comma.\r\nSecond line \xE2\x98\x95 \xF0\x9F\x99\x82"},
                  {"ShortName", "Eefa"}};
    full.displayName = "Ms. Aoife Siobh\xC3\xA1n Brennan Jr.";
    full.fileAs = "Brennan, Aoife Siobh\xC3\xA1n";
    full.workAddress = "12 Dock Road\r\nGalway, Connacht H91 X2Y3\r\nIreland";
    full.homeAddress = "4 Sea View\r\nSalthill, Co. Galway H91 A1B2\r\nIreland";
    full.birthdayUtc = "1985-02-27T23:00:00";
    full.anniversaryUtc = "2012-09-14T22:00:00";
    full.photo = kJpeg;
    full.photoType = "image/jpeg";

    ExpectedContact workOnly;
    workOnly.slots = {{"FirstName", "Ronan"},          {"LastName", "Quigley"},
                      {"Email", "ronan@quigley.example"}, {"BusinessAddress", "7 Long Walk"},
                      {"BusinessCity", "Cork"},           {"BusinessZip", "T12 AB34"},
                      {"BusinessCountry", "Ireland"}};
    workOnly.displayName = "Ronan Quigley";
    workOnly.fileAs = "Quigley, Ronan";
    workOnly.workAddress = "7 Long Walk\r\nCork, T12 AB34\r\nIreland";
    workOnly.photo = kPng;
    workOnly.photoType = "image/png";

    // Without a name, the company names the contact and files it.
    ExpectedContact company;
    company.slots = {{"Company", "Only Company Ltd"}};
    company.displayName = company.fileAs = "Only Company Ltd";

    const ReadBack back = readBack(run.pst, work.path());
    expectContacts(back, {full, workOnly, company});
    // readpst takes the mailing address (here the home one) as its work ADR.
    for (const auto& card : back.readpstCards) {
        if (card.count("FN:Brennan\\, Aoife Siobh\xC3\xA1n")) {
            EXPECT_TRUE(card.count("ADR;TYPE=work:;;4 Sea View;Salthill;Co. Galway;H91 A1B2;Ireland"));
        }
    }
    // The pictures the run wrote are the pictures in the store.
    EXPECT_TRUE(readFile(work.path() / "out" / "vCardPictures" / ".gif") == kJpeg);
    EXPECT_TRUE(readFile(work.path() / "out" / "vCardPictures" / "1.gif") == kPng);
}

// Where daylight saving time begins at midnight (Brazil's rule until 2019),
// that day's midnight does not exist: the day begins at 01:00 summer time,
// 03:00 UTC. The stored time must still fall on that day, not at 23:00 the
// day before; the day after begins at 00:00 summer time as usual.
TEST(OutlookReaders, ADayWhoseMidnightIsSkippedKeepsItsDate) {
    TempDir work;
    const fs::path source = work.write("brazil.vcf", "BEGIN:VCARD\r\nN:Souza;Ana;;;\r\nBDAY:2018-10-21\r\n"
                                                     "X-ANNIVERSARY:2018-10-22\r\nEND:VCARD\r\n");
    const ConvertedRun run = convertToPst(source.string(), work.path() / "out", "", "BRT3BRST,M10.3.0/0,M2.3.0/0");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    fs::create_directories(work.path() / "pff");
    const auto values = testing::readItemValues(testing::pffExport(run.pst, work.path() / "pff") /
                                                "Top of Personal Folders" / "Contacts" / "Contact00001" /
                                                "ItemValues.txt");
    EXPECT_EQ(timeOf(values, 0x3A42), std::string("2018-10-21T03:00:00"));
    EXPECT_EQ(timeOf(values, 0, 0x80DE), std::string("2018-10-21T00:00:00"));
    EXPECT_EQ(timeOf(values, 0x3A41), std::string("2018-10-22T02:00:00"));
}

// The sample cards, compared with what `tessaly cards` says the reader made
// of them; the names and addresses Outlook composes are written out here.
TEST(OutlookReaders, ExampleCardsReadBackAsTheReaderUnderstoodThem) {
    struct Composed {
        std::string displayName, fileAs, workAddress, homeAddress;
    };
    const struct {
        std::string source, mode;
        std::vector<Composed> composed;  // in the order of the cards
    } runs[] = {
        {"examples",
         "normal",
         {{"Chidinma Okafor", "Okafor, Chidinma", "1 Quay Street\r\nBristol, BS1 4DJ\r\nUnited Kingdom", ""},
          {"Hiroshi Tanaka", "Tanaka, Hiroshi", "", "2-11-3 Meguro\r\nTokyo, 153-0063\r\nJapan"},
          {"Front Desk", "Front Desk", "", ""},
          {"Dr. Maja Elin Lindqvist PhD", "Lindqvist, Maja Elin",
           "Kajgatan 4\r\nG\xC3\xB6teborg, V\xC3\xA4stra G\xC3\xB6taland 411 04\r\nSweden", ""},
          {"S\xC3\xB8ren \xC3\x98stergaard", "\xC3\x98stergaard, S\xC3\xB8ren", "",
           "N\xC3\xB8rrebrogade 12\r\nK\xC3\xB8" "benhavn, 2200\r\nDenmark"}}},
        {"examples/lf-line-ends",
         "advance",
         {{"Mme \xC3\x89lodie Moreau", "Moreau, \xC3\x89lodie", "", "12 rue des Lilas\r\nLyon, 69003\r\nFrance"},
          {"Paulo Souza", "Souza, Paulo", "", ""}}},
    };
    TempDir work;
    int index = 0;
    for (const auto& [source, mode, composed] : runs) {
        SCOPED_TRACE(source);
        const std::string path = std::string(TESSALY_SOURCE_DIR) + "/" + source;
        const fs::path out = work.path() / std::to_string(++index);
        const auto described = tessaly("cards " + shellQuote(path) + " --mode " + mode);
        ASSERT_EQ(described.status, 0) << described.err;
        const auto cards = cardsOf(described.out);
        ASSERT_EQ(cards.size(), composed.size());

        const ConvertedRun run = convertToPst(path, out, " --mode " + mode);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(run.saved, static_cast<int>(cards.size()));
        EXPECT_EQ(run.pst.parent_path(), out);
        EXPECT_EQ(run.err, "(" + std::to_string(cards.size()) + ") vCards Saved\n");

        std::vector<ExpectedContact> expected;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            ExpectedContact contact;
            contact.slots = cards[i];
            contact.displayName = composed[i].displayName;
            contact.fileAs = composed[i].fileAs;
            contact.workAddress = composed[i].workAddress;
            contact.homeAddress = composed[i].homeAddress;
            // In UTC the local midnight is midnight.
            if (!contact.slot("BirthDay").empty()) contact.birthdayUtc = contact.slot("BirthDay") + "T00:00:00";
            if (!contact.slot("Anniversary").empty())
                contact.anniversaryUtc = contact.slot("Anniversary") + "T00:00:00";
            if (!contact.slot("ePhoto").empty()) {
                contact.photo = readFile(out / "vCardPictures" / contact.slot("ePhoto"));
                contact.photoType = "image/gif";
            }
            expected.push_back(contact);
        }
        expectContacts(readBack(run.pst, work.path() / ("read" + std::to_string(index))), expected);
    }
}

// ---- Faults ----

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string simpleCards(int count) {
    std::string out;
    for (int i = 1; i <= count; ++i)
        out += "BEGIN:VCARD\r\nN:Last" + std::to_string(i) + ";First" + std::to_string(i) + "\r\nEND:VCARD\r\n";
    return out;
}

// A folder that cannot be made, one in which no file can be made (root may
// write anywhere else), and a file that cannot grow while the store is
// finished: each fails the run with status 1 and a message naming the path
// and the cause, and nothing is left behind.
TEST(OutlookTargetFaults, AnOutputThatCannotBeWrittenFailsTheRunAndLeavesNothing) {
    TempDir work;
    const fs::path source = work.write("cards.vcf", simpleCards(3));
    const fs::path underFile = work.write("plain-file", "") / "out";
    const fs::path limited = work.path() / "limited";
    fs::create_directory(limited);
    const struct {
        const char* name;
        std::string command;
        std::string path, cause;
        bool sessionFailed;  // the session's failure message is shown
        bool throughPipe;    // the messages and then "exit status N" on standard output
        fs::path leftEmpty;
    } cases[] = {
        {"a folder under a regular file",
         shellQuote(TESSALY_EXECUTABLE) + " convert " + shellQuote(source.string()) + " --to pst --out " +
             shellQuote(underFile.string()),
         underFile.string(), "Not a directory", false, false, {}},
        {"a folder where no file can be made",
         shellQuote(TESSALY_EXECUTABLE) + " convert " + shellQuote(source.string()) + " --to pst --out /proc/self",
         "/proc/self/Contacts", "cannot create a file in /proc/self", true, false, {}},
        // The file-size limit stops every write of the store; the messages go
        // to a pipe, which the limit does not stop.
        {"a file that cannot grow",
         "sh -c " + shellQuote("trap '' XFSZ; ulimit -f 0; " + shellQuote(TESSALY_EXECUTABLE) + " convert " +
                               shellQuote(source.string()) + " --to pst --out " + shellQuote(limited.string()) +
                               "; echo \"exit status $?\"") +
             " 2>&1 | cat",
         (limited / "Contacts").string(), "File too large", false, true, limited},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = runCommand("LC_ALL=C " + c.command);
        std::string message = result.err;
        if (c.throughPipe) {
            const auto at = result.out.rfind("exit status ");
            ASSERT_NE(at, std::string::npos) << result.out;
            result.status = std::stoi(result.out.substr(at + 12));
            message = result.out.substr(0, at);
        }
        EXPECT_EQ(result.status, 1) << result.out << result.err;
        EXPECT_NE(message.find(c.path), std::string::npos) << message;
        EXPECT_NE(message.find(c.cause), std::string::npos) << message;
        const auto lines = split(message, '\n');
        EXPECT_EQ(listed(lines, "Outlook Session Creation Error !"), c.sessionFailed) << message;
        EXPECT_EQ(message.find("Wrote "), std::string::npos) << message;
        EXPECT_EQ(message.find("Finished Importing vCards."), std::string::npos) << message;
        if (!c.leftEmpty.empty()) {
            EXPECT_EQ(namesIn(c.leftEmpty), std::vector<std::string>{}) << c.leftEmpty;
        }
    }
    // Nothing was made beside the source and the two folders' parents.
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"cards.vcf", "limited", "plain-file"}));
    EXPECT_TRUE(fs::is_regular_file(underFile.parent_path()));
}

// A picture that cannot be written, and one written where it cannot be read
// back (a link to a device): the contact is saved without it, and the end
// report names the card, the picture file and the cause.
TEST(OutlookTargetFaults, APictureThatCannotBeWrittenOrReadCostsOnlyThePicture) {
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Walsh;Niamh;;;\r\nEMAIL:niamh@walsh.example\r\n"
                             "PHOTO;ENCODING=b;TYPE=JPEG:" + base64(kJpeg) + "\r\nEND:VCARD\r\n";
    const struct {
        const char* name;
        void (*prepare)(const fs::path& out);
        std::string reportTitle, reportEnd;
    } cases[] = {
        {"vCardPictures is a file", [](const fs::path& out) { testing::writeFile(out / "vCardPictures", ""); },
         "1 picture file could not be written",
         ":5: picture file %/vCardPictures/.gif could not be written: Not a directory"},
        {"the picture file is a link to a device",
         [](const fs::path& out) {
             fs::create_directories(out / "vCardPictures");
             fs::create_symlink("/dev/null", out / "vCardPictures" / ".gif");
         },
         "1 value or picture was left out of its contact",
         ":1: card 1: AddPicture: the picture file %/vCardPictures/.gif cannot be read: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir work;
        const fs::path source = work.write("niamh.vcf", card);
        const fs::path out = work.path() / "out";
        fs::create_directories(out);
        c.prepare(out);
        const ConvertedRun run = convertToPst(source.string(), out);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_EQ(run.saved, 1) << run.out;
        std::string reportEnd = c.reportEnd;
        reportEnd.replace(reportEnd.find('%'), 1, out.string());
        const std::string report = c.reportTitle + "\n  " + source.string() + reportEnd;
        EXPECT_NE(run.out.find(report), std::string::npos) << run.out;
        // The file exists: a cause saying it does not would be a stale one.
        EXPECT_EQ(run.out.find(report + "No such file or directory"), std::string::npos) << run.out;

        const fs::path contacts = testing::pffExport(run.pst, work.path()) / "Top of Personal Folders" / "Contacts";
        const auto values = testing::readItemValues(contacts / "Contact00001" / "ItemValues.txt");
        EXPECT_EQ(textOf(values, 0x3001), std::string("Niamh Walsh"));
        EXPECT_EQ(textOf(values, 0, 0x8083), std::string("niamh@walsh.example"));
        EXPECT_FALSE(fs::exists(contacts / "Contact00001" / "Attachments"));
        EXPECT_EQ(tessaly("verify-pst " + shellQuote(run.pst.string())).status, 0);
    }
}

// "d.m.YY H.m.ss" of a UTC time.
std::string stampOf(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%02d %d.%d.%02d", utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100,
                  utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

// Files named for the next seconds are in the way: the run takes the next
// free name and touches none of them, and a second run touches neither them
// nor the first run's file.
TEST(OutlookTargetFaults, EarlierFilesAreNeverTouched) {
    TempDir work;
    const fs::path source = work.write("cards.vcf", simpleCards(2));
    const fs::path out = work.path() / "out";
    std::map<std::string, std::string> earlier;  // name -> content
    const std::time_t now = std::time(nullptr);
    for (int second = 0; second < 20; ++second) {
        const std::string name = "Contacts" + stampOf(now + second) + ".pst";
        earlier[name] = "an earlier file " + name;
        work.write("out/" + name, earlier[name]);
    }
    const ConvertedRun first = convertToPst(source.string(), out);
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    const std::string name = first.pst.filename().string();
    ASSERT_TRUE(name.ends_with(" (2).pst")) << name;
    EXPECT_TRUE(earlier.count(name.substr(0, name.size() - 8) + ".pst")) << name;
    const std::string firstBytes = readFile(first.pst);

    const ConvertedRun second = convertToPst(source.string(), out);
    ASSERT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_NE(second.pst, first.pst);
    EXPECT_TRUE(readFile(first.pst) == firstBytes);
    for (const auto& [earlierName, content] : earlier) EXPECT_EQ(readFile(out / earlierName), content) << earlierName;
    EXPECT_EQ(namesIn(out).size(), earlier.size() + 2);
    for (const fs::path& pst : {first.pst, second.pst}) {
        const ReadBack back = readBack(pst, work.path() / pst.filename());
        expectContactCount(back, 2);
        EXPECT_TRUE(listed(back.listing, "item\t" + kContactsPath + "\tIPM.Contact\tFirst2 Last2\t\t"));
        ASSERT_FALSE(back.listing.empty());
        EXPECT_TRUE(back.listing[0].starts_with("store\tImported Contacts : Created - ")) << back.listing[0];
    }
}

}  // namespace
}  // namespace tessaly
