// Our contact's fields beside those of contacts Outlook itself saved
// (../shared/fixtures/outlook-contacts, compared through the property dump
// beside each file): a card holding the same values is converted, and every
// field property of Outlook's contact (the contact's own tagged properties
// and its PSETID_Address ones, text and integers) is compared with ours,
// but for those listed with the reason they differ. The item-level
// properties are compared where a whole store is (outlook_comparison_test).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "support/encodings.h"
#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::littleEndian;
using testing::utf16;
using Masks = std::map<std::string, std::string>;  // key → why it differs

// A property by key: "0x3a08" for a tagged one, "lid 0x8083" for one of
// PSETID_Address; its value as stored (UTF-16LE text, or an integer's four
// bytes).
using Fields = std::map<std::string, std::string>;

std::string hex4(std::uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

// A Python string literal's text ('...' with \r \n \t \\ \' \xNN \uNNNN) as UTF-8.
std::string pythonText(const std::string& literal) {
    std::string out;
    const auto appendUtf8 = [&out](std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        if (literal[i] != '\\') {
            out += literal[i];
            continue;
        }
        const char kind = literal[++i];
        if (kind == 'r') out += '\r';
        else if (kind == 'n') out += '\n';
        else if (kind == 't') out += '\t';
        else if (kind == 'x') { appendUtf8(std::stoul(literal.substr(i + 1, 2), nullptr, 16)); i += 2; }
        else if (kind == 'u') { appendUtf8(std::stoul(literal.substr(i + 1, 4), nullptr, 16)); i += 4; }
        else out += kind;
    }
    return out;
}

// The contact's field properties in Outlook's dump: tagged 0x1000 and
// 0x3A00-0x3AFF, and PSETID_Address, of type Unicode or Int32.
Fields outlookFields(const fs::path& dump) {
    Fields fields;
    std::ifstream in(dump);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("0x", 0) != 0 || line.find("# named-property map") != std::string::npos) continue;
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cells.push_back(line.substr(start, tab - start));
        cells.push_back(line.substr(start));
        if (cells.size() < 4 || cells[0].size() != 10) continue;  // the named-property map's lines are shorter
        const std::uint32_t tag = std::stoul(cells[0].substr(2, 4), nullptr, 16);
        const std::string& type = cells[1];
        std::string key;
        if (const std::size_t lid = cells[2].find("[PSETID_Address lid "); lid != std::string::npos)
            key = "lid " + cells[2].substr(lid + 20, 6);
        else if (tag == 0x1000 || (tag >= 0x3A00 && tag <= 0x3AFF))
            key = hex4(tag);
        else
            continue;
        if (type == "Unicode") fields[key] = utf16(pythonText(cells[3]));
        else if (type == "Int32") fields[key] = littleEndian(std::stoul(cells[3]), 4);
    }
    return fields;
}

// Ours, converted from `card`, read back with pffexport.
Fields ourFields(const testing::TempDir& work, const std::string& card) {
    const testing::ConvertedContact converted =
        testing::convertToContact(work.write("card.vcf", card), work.path(), "TZ=UTC");
    EXPECT_EQ(converted.run.status, 0) << converted.run.out << converted.run.err;
    Fields fields;
    for (const testing::PffValue& value : converted.values) {
        if (value.valueType != 0x001F && value.valueType != 0x0003) continue;
        if (value.mapsTo >= 0x8000 && value.mapsTo < 0x8100)
            fields["lid " + hex4(value.mapsTo)] = value.bytes;
        else if (value.mapsTo == 0 && value.mapsToName.empty() &&
                 (value.entryType == 0x1000 || (value.entryType >= 0x3A00 && value.entryType <= 0x3AFF)))
            fields[hex4(value.entryType)] = value.bytes;
    }
    return fields;
}

// Every field of Outlook's contact is ours too, with its value, and every
// field of ours is Outlook's, but for the masked ones (each of which one side
// has, and the two do not hold alike).
void expectSameFields(const Fields& outlook, const Fields& ours, const Masks& masks) {
    std::set<std::string> keys;
    for (const auto& [key, value] : outlook) keys.insert(key);
    for (const auto& [key, value] : ours) keys.insert(key);
    for (const auto& [key, why] : masks) EXPECT_TRUE(keys.count(key)) << "a mask for nothing: " << key;
    for (const std::string& key : keys) {
        const auto a = outlook.find(key), b = ours.find(key);
        if (masks.count(key)) {
            EXPECT_FALSE(a != outlook.end() && b != ours.end() && a->second == b->second)
                << "a mask for a value both have: " << key;
            continue;
        }
        if (a == outlook.end()) ADD_FAILURE() << key << " is ours only";
        else if (b == ours.end()) ADD_FAILURE() << key << " is Outlook's only";
        else EXPECT_EQ(b->second, a->second) << key;
    }
}

// What Outlook writes on every contact that is no field of a card, or that it
// derives by rules of its own locale: the same for both contacts.
const Masks kAlwaysDifferent = {
    {"0x3a71", "send-internet-encoding: ours as Outlook 2007's contacts in a PST have it; these .msg files "
               "were saved without"},
    {"lid 0x80dd", "mailing country code: Outlook's own list of countries"},
    {"lid 0x80db", "business country code: the same"},
    {"lid 0x80c3", "business fax entry's address: Outlook adds its locale's dialling code to the number"},
    {"0x3a15", "mailing address text: Outlook lays it out by the country's conventions"},
    {"lid 0x801b", "business address text: the same"},
};

Masks with(Masks masks, const Masks& more) {
    masks.insert(more.begin(), more.end());
    return masks;
}

// Outlook 2016's "Dr Quick Brown Fox Jr": name parts, company, job title, a
// business address that is the mailing address, four numbers, an e-mail
// address, a web page and notes.
TEST(OutlookContactFields, Outlook2016ContactWithBusinessAddressPhonesWebPageAndNotes) {
    testing::TempDir work;
    const Fields ours = ourFields(work,
                                  "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Fox;Quick;Brown;Dr;Jr\r\nFN:Dr Quick Brown Fox Jr\r\n"
                                  "ORG:Fence Co\r\nTITLE:Jumper\r\nTEL;WORK;VOICE:(123) 456-7890\r\n"
                                  "TEL;HOME;VOICE:(234) 567-8901\r\nTEL;CELL;VOICE:(456) 789-0123\r\n"
                                  "TEL;WORK;FAX:(345) 678-9012\r\n"
                                  "ADR;WORK;PREF:;;12 Lazy Dog Lane;Springfield;;01234;United States of America\r\n"
                                  "X-MS-OL-DEFAULT-POSTAL-ADDRESS:2\r\nURL;WORK:www.quickfox.com\r\n"
                                  "EMAIL;PREF;INTERNET:quickbrown@gmail.com\r\n"
                                  "NOTE:This was one quick brown fox.  Saw him jump over a lazy dog once.\\n\r\n"
                                  "END:VCARD\r\n");
    const Fields outlook =
        outlookFields(fs::path(TESSALY_FIXTURES_DIR) / "outlook-contacts" / "testMSG_Contact.msg.txt");
    expectSameFields(outlook, ours,
                     with(kAlwaysDifferent,
                          {{"lid 0x80b2", "primary fax entry's type: Outlook 2016 leaves fax entries never filled "
                                          "out; ours writes all three as Outlook 2013 does"},
                           {"lid 0x80b3", "primary fax entry's address: the same"},
                           {"lid 0x80d2", "home fax entry's type: the same"},
                           {"lid 0x80d3", "home fax entry's address: the same"},
                           {"lid 0x80d4", "home fax entry's name: the same"}}));
}

// Outlook 2013's Japanese contact: a business address in Japan as the
// mailing address, a department, three numbers and a fax, an e-mail address,
// a web page and a birthday. Its phonetic (Yomi) names have no vCard
// property Tessaly reads.
TEST(OutlookContactFields, Outlook2013JapaneseContactWithBirthday) {
    testing::TempDir work;
    const Fields ours = ourFields(
        work,
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xE3\x82\xA4\xE3\x82\xB0\xE3\x82\xB6\xE3\x83\xB3\xE3\x83\x97\xE3\x83\xAB;"
        "\xE3\x82\xB3\xE3\x83\xA0;\xE3\x83\x89\xE3\x83\x83\xE3\x83\x88;Mr.;\xE6\xAE\xBF\r\n"
        "ORG:My work company;My division\r\nTITLE:My position\r\nTEL;TYPE=WORK:06-0001-0002\r\n"
        "TEL;TYPE=HOME:06-0001-0001\r\nTEL;TYPE=CELL:080-0001-0001\r\nTEL;TYPE=WORK,FAX:06-0001-0003\r\n"
        "ADR;TYPE=WORK,PREF:;;Somewhere;Osaka;Osaka;544-0001;\xE6\x97\xA5\xE6\x9C\xAC\r\n"
        "EMAIL;TYPE=INTERNET:test@example.com\r\nURL;TYPE=WORK:https://example.com\r\nBDAY:2000-01-01\r\n"
        "END:VCARD\r\n");
    const Fields outlook = outlookFields(fs::path(TESSALY_FIXTURES_DIR) / "outlook-contacts" / "contactUnicode.msg.txt");
    expectSameFields(outlook, ours,
                     with(kAlwaysDifferent,
                          {{"lid 0x802c", "Yomi first name: no vCard property of it is read"},
                           {"lid 0x802d", "Yomi last name: the same"},
                           {"lid 0x802e", "Yomi company name: the same"},
                           {"0x1000", "notes: Outlook 2013 writes a lone line break for a contact without notes"},
                           {"0x3a0a", "initials: Outlook writes them empty for a Japanese name"}}));
}

}  // namespace
}  // namespace tessaly
