// How many of the values on the exporters' cards (tests/data/exporter-cards)
// each target keeps, read back by readers of our own team's making neither:
// pffexport for the .pst, xlrd for the sheet. The values are cut from the
// cards here, independently of the reader: each component of a structured
// value, each other value whole. A value is kept when the target's output
// holds it; the rest must be reported as having no place. Prints
// "kept K of V values with a place in the ...".

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/encodings.h"
#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::shellQuote;
using testing::utf16;

enum class ValueKind { Text, Birthday, Anniversary, Gender, Private };

struct CardValue {
    std::string property;
    std::string text;
    ValueKind kind;
};

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The value's components at unescaped ";" (all of it when `structured` is
// false), each unescaped.
std::vector<std::string> componentsOf(const std::string& value, bool structured) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            parts.back() += next == 'n' || next == 'N' ? std::string("\r\n") : std::string(1, next);
        } else if (c == ';' && structured) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::vector<CardValue> valuesOf(const std::string& card) {
    static const std::set<std::string> kNoData = {
        "BEGIN",  "END",      "VERSION",  "PRODID",         "UID",       "REV",
        "SOURCE", "NAME",     "KIND",     "CLIENTPIDMAP",   "LABEL",     "PHOTO",
        "X-ABUID", "X-ABLABEL", "X-ABSHOWAS", "X-ABADR",    "X-MS-OL-DESIGN", "X-MOZILLA-HTML",
        "X-MS-OL-DEFAULT-POSTAL-ADDRESS",
        "FN"};  // the formatted name: the target composes its own from N
    std::vector<CardValue> values;
    std::size_t start = 0;
    while (start < card.size()) {
        std::size_t end = card.find("\r\n", start);
        if (end == std::string::npos) end = card.size();
        const std::string line = card.substr(start, end - start);
        start = end + 2;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = upper(line.substr(0, std::min(line.find(';'), colon)));
        if (const std::size_t dot = name.find('.'); dot != std::string::npos) name.erase(0, dot + 1);
        std::string value = line.substr(colon + 1);
        if (kNoData.count(name) || trimmed(value).empty()) continue;
        if (name == "CLASS") {
            if (upper(value) != "PUBLIC") values.push_back({name, value, ValueKind::Private});
            continue;
        }
        if (name == "BDAY") {
            values.push_back({name, value, ValueKind::Birthday});
            continue;
        }
        if (name.find("ANNIVERSARY") != std::string::npos) {
            values.push_back({name, value, ValueKind::Anniversary});
            continue;
        }
        if (name == "TEL" || name == "X-MS-TEL") {
            if (upper(value.substr(0, 4)) == "TEL:") value.erase(0, 4);
        } else if (name == "IMPP") {
            value.erase(0, value.find(':') + 1);
        }
        const bool structured = name == "N" || name == "ADR" || name == "ORG" || name == "GENDER";
        const std::vector<std::string> parts = componentsOf(value, structured);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const std::string part = trimmed(parts[i]);
            if (part.empty()) continue;
            const bool gender = (name == "GENDER" && i == 0) || name == "X-GENDER";
            values.push_back({name, part, gender ? ValueKind::Gender : ValueKind::Text});
        }
    }
    return values;
}

// "N values had no place in the WHERE" in a run's report, or 0.
std::size_t reportedWithoutPlace(const std::string& out, const std::string& where) {
    const std::string tail = " had no place in the " + where + "\n";
    const std::size_t at = out.find(tail);
    if (at == std::string::npos) return 0;
    const std::size_t lineStart = out.rfind('\n', at) + 1;
    return std::stoul(out.substr(lineStart));
}

// A text and its lines (at CR LF or LF, in the text's own encoding: `unit`
// bytes per character), each one a candidate for a value.
void addWithLines(const std::string& text, std::size_t unit, std::set<std::string>& into) {
    into.insert(text);
    std::size_t start = 0;
    for (std::size_t i = 0; i + unit <= text.size(); i += unit) {
        if (text[i] != '\n' || (unit == 2 && text[i + 1] != '\0')) continue;
        std::size_t end = i;
        if (end >= start + unit && text[end - unit] == '\r') end -= unit;
        into.insert(text.substr(start, end - start));
        start = i + unit;
    }
    into.insert(text.substr(start));
}

// Every text of an item as UTF-16: each string value and its lines, each item
// of a multi-valued string.
std::set<std::string> textsOf(const std::vector<testing::PffValue>& item) {
    std::set<std::string> texts;
    const auto le32 = [](const std::string& bytes, std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return value;
    };
    for (const testing::PffValue& value : item) {
        if (value.valueType == 0x001F) addWithLines(value.bytes, 2, texts);
        if (value.valueType != 0x101F || value.bytes.size() < 4) continue;
        const std::uint32_t count = le32(value.bytes, 0);
        for (std::uint32_t i = 0; i < count && 4 + 4 * (i + 1) <= value.bytes.size(); ++i) {
            const std::size_t from = le32(value.bytes, 4 + 4 * i);
            const std::size_t to = i + 1 < count ? le32(value.bytes, 4 + 4 * (i + 1)) : value.bytes.size();
            if (from <= to && to <= value.bytes.size()) texts.insert(value.bytes.substr(from, to - from));
        }
    }
    return texts;
}

struct Measure {
    std::size_t values = 0, kept = 0, reported = 0;

    // One card's counts: every value kept or reported.
    void add(const fs::path& card, std::size_t cardValues, std::size_t cardKept, std::size_t cardReported,
             const std::string& runOutput) {
        std::printf("%s: %zu values, %zu kept, %zu reported\n", card.filename().c_str(), cardValues, cardKept,
                    cardReported);
        EXPECT_GE(cardKept + cardReported, cardValues) << card << ": " << runOutput;
        values += cardValues;
        kept += cardKept;
        reported += cardReported;
    }
};

std::vector<fs::path> corpus() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(std::string(TESSALY_SOURCE_DIR) + "/tests/data/exporter-cards"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

testing::CommandResult convert(const fs::path& card, const char* target, const fs::path& out) {
    fs::create_directories(out);
    return testing::runCommand(shellQuote(TESSALY_EXECUTABLE) + " convert " + shellQuote(card.string()) + " --to " +
                               target + " --out " + shellQuote(out.string()));
}

void expectEveryValueKeptOrReported(const Measure& measure, const std::string& where) {
    std::printf("kept %zu of %zu values with a place in the %s (%zu of %zu values reported as having none)\n",
                measure.kept, measure.values - measure.reported, where.c_str(), measure.reported, measure.values);
    EXPECT_GE(measure.kept + measure.reported, measure.values) << "values lost without a word";
}

TEST(KeptValues, TheOutlookContactKeepsOrReportsEveryValue) {
    Measure measure;
    for (const fs::path& card : corpus()) {
        testing::TempDir work;
        const testing::ConvertedContact converted = testing::convertToContact(card, work.path());
        const auto& run = converted.run;
        ASSERT_LE(run.status, 1) << run.out << run.err;
        const std::vector<testing::PffValue>& item = converted.values;
        const std::set<std::string> texts = textsOf(item);
        std::set<std::uint32_t> ids;
        for (const testing::PffValue& value : item) ids.insert(value.entryType);
        const std::size_t reported = reportedWithoutPlace(run.out, "Outlook contact");
        std::size_t kept = 0;
        const std::vector<CardValue> values = valuesOf(testing::readFile(card));
        for (const CardValue& value : values) {
            bool found = false;
            switch (value.kind) {
                case ValueKind::Text: found = texts.count(utf16(value.text)) > 0; break;
                case ValueKind::Birthday: found = ids.count(0x3A42) > 0; break;
                case ValueKind::Anniversary: found = ids.count(0x3A41) > 0; break;
                case ValueKind::Gender: found = ids.count(0x3A4D) > 0; break;
                case ValueKind::Private: found = testing::valueOf(item, 0x0036) == testing::littleEndian(2, 4); break;
            }
            kept += found ? 1 : 0;
        }
        measure.add(card, values.size(), kept, reported, run.out);
    }
    expectEveryValueKeptOrReported(measure, "Outlook contact");
}

TEST(KeptValues, TheWorksheetKeepsOrReportsEveryValue) {
    Measure measure;
    for (const fs::path& card : corpus()) {
        testing::TempDir work;
        const auto run = convert(card, "xls", work.path() / "out");
        ASSERT_LE(run.status, 1) << run.out << run.err;
        const auto cells = testing::runCommand("/usr/bin/python3 " +
                                               shellQuote(std::string(TESSALY_SOURCE_DIR) + "/tests/e2e/xls_cells.py") +
                                               " " + shellQuote((work.path() / "out" / "vCardContactsExported.xls").string()));
        ASSERT_EQ(cells.status, 0) << cells.err;
        // The cells of the card's row, everything after the title row, and
        // their lines.
        const std::string row = cells.out.substr(cells.out.find('\n') + 1);
        std::set<std::string> texts;
        std::size_t cellStart = 0;
        for (std::size_t i = 0; i <= row.size(); ++i) {
            if (i < row.size() && row[i] != '\x1f') continue;
            std::string cell = row.substr(cellStart, i - cellStart);
            if (!cell.empty() && cell.back() == '\n' && i == row.size()) cell.pop_back();
            // The script writes a cell's line breaks as the two characters \r\n.
            for (std::size_t at; (at = cell.find("\\r\\n")) != std::string::npos;) cell.replace(at, 4, "\n");
            addWithLines(cell, 1, texts);
            cellStart = i + 1;
        }
        const std::size_t reported = reportedWithoutPlace(run.out, "worksheet");
        std::size_t kept = 0;
        const std::vector<CardValue> values = valuesOf(testing::readFile(card));
        for (const CardValue& value : values) {
            bool found = false;
            if (value.kind == ValueKind::Text) {
                found = texts.count(value.text) > 0;
            } else if (value.kind == ValueKind::Birthday || value.kind == ValueKind::Anniversary) {
                const std::string digits = value.text.size() >= 8 && value.text[4] != '-'
                                               ? value.text.substr(0, 4) + "-" + value.text.substr(4, 2) + "-" +
                                                     value.text.substr(6, 2)
                                               : value.text.substr(0, 10);
                found = texts.count(digits) > 0;
            }
            kept += found ? 1 : 0;
        }
        measure.add(card, values.size(), kept, reported, run.out);
    }
    expectEveryValueKeptOrReported(measure, "worksheet");
}

}  // namespace
}  // namespace tessaly
