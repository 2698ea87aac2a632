#include "app/run/run_report.h"

namespace tessaly {

namespace {

constexpr std::size_t kPlacesPerKind = 10;

// The heading of each kind, after its count.
const char* heading(ReportKind kind, std::size_t count) {
    const bool one = count == 1;
    switch (kind) {
        case ReportKind::OutputFolderShared:
            return "Warning: the output folder is not yours alone.";
        case ReportKind::FilesReadInAdvanceMode:
            return one ? "file was read in Advance Mode: it has lines that end in LF alone"
                       : "files were read in Advance Mode: they have lines that end in LF alone";
        case ReportKind::FilesNotRead:
            return one ? "file could not be read or stopped early" : "files could not be read or stopped early";
        case ReportKind::FilesWithoutCards:
            return one ? "file had no card in it" : "files had no card in them";
        case ReportKind::CardsIncomplete:
            return one ? "card was left incomplete or merged" : "cards were left incomplete or merged";
        case ReportKind::CardsNotSaved:
            return one ? "card could not be saved as a contact" : "cards could not be saved as contacts";
        case ReportKind::ContactValuesLeftOut:
            return one ? "value or picture was left out of its contact" : "values or pictures were left out of their contacts";
        case ReportKind::ValuesWithoutPlaceInContact:
            return one ? "value had no place in the Outlook contact" : "values had no place in the Outlook contact";
        case ReportKind::ValuesWithoutPlaceInSheet:
            return one ? "value had no place in the worksheet" : "values had no place in the worksheet";
        case ReportKind::GroupMembersNotFound:
            return one ? "member of a contact group names no contact of this run"
                       : "members of contact groups name no contact of this run";
        case ReportKind::GroupMembersLeftOut:
            return one ? "member was left out of its distribution list: Outlook keeps a list's members in "
                         "under 15,000 bytes"
                       : "members were left out of their distribution lists: Outlook keeps a list's members in "
                         "under 15,000 bytes";
        case ReportKind::GroupsWithoutPlaceInSheet:
            return one ? "contact group had no place in the worksheet" : "contact groups had no place in the worksheet";
        case ReportKind::CardsBeyondLastRow:
            return one ? "card did not fit: the sheet's last row is 65,536"
                       : "cards did not fit: the sheet's last row is 65,536";
        case ReportKind::CardsPastRow16384:
            return one ? "card is below row 16,384, the last row Excel 2.x and some readers take"
                       : "cards are below row 16,384, the last row Excel 2.x and some readers take";
        case ReportKind::ShortenedValues:
            return one ? "value was cut to 255 characters" : "values were cut to 255 characters";
        case ReportKind::DatesLeftOut:
            return one ? "date was left out: the sheet shows the years 100 to 9999 only"
                       : "dates were left out: the sheet shows the years 100 to 9999 only";
        case ReportKind::ReplacedCharacters:
            return one ? "character was written as \"?\" (not in Windows-1252)"
                       : "characters were written as \"?\" (not in Windows-1252)";
        case ReportKind::NulCharactersLeftOut:
            return one ? "NUL character (U+0000) was left out of its value"
                       : "NUL characters (U+0000) were left out of their values";
        case ReportKind::PicturesUndecodable:
            return one ? "picture could not be decoded" : "pictures could not be decoded";
        case ReportKind::PicturesNotWritten:
            return one ? "picture file could not be written" : "picture files could not be written";
        case ReportKind::RunStopped:
            return "conversion was stopped before the end";
        case ReportKind::Count:
            break;
    }
    return "";
}

}  // namespace

std::string reportPlace(const std::string& file, long line, const std::string& cause) {
    return file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + cause;
}

void RunReport::add(ReportKind kind, std::size_t count, const std::string& where) {
    Entry& entry = entries_[static_cast<std::size_t>(kind)];
    entry.count += count;
    if (!where.empty() && entry.places.size() < kPlacesPerKind) entry.places.push_back(where);
}

bool RunReport::keepsPlacesOf(ReportKind kind) const {
    return entries_[static_cast<std::size_t>(kind)].places.size() < kPlacesPerKind;
}

bool RunReport::empty() const {
    for (const Entry& entry : entries_) {
        if (entry.count > 0) return false;
    }
    return true;
}

bool RunReport::hasProblems() const {
    for (std::size_t i = 0; i < kReportKinds; ++i) {
        const auto kind = static_cast<ReportKind>(i);
        const bool note = kind == ReportKind::OutputFolderShared || kind == ReportKind::FilesReadInAdvanceMode;
        if (!note && entries_[i].count > 0) return true;
    }
    return false;
}

std::string RunReport::text(const std::string& lineBreak) const {
    std::string out;
    for (std::size_t i = 0; i < kReportKinds; ++i) {
        const Entry& entry = entries_[i];
        if (entry.count == 0) continue;
        if (!out.empty()) out += lineBreak;
        const auto kind = static_cast<ReportKind>(i);
        if (kind == ReportKind::RunStopped)
            out += std::string("The ") + heading(kind, entry.count) + ".";
        else if (kind == ReportKind::OutputFolderShared)
            out += heading(kind, entry.count);
        else
            out += std::to_string(entry.count) + " " + heading(kind, entry.count);
        for (const std::string& place : entry.places) out += lineBreak + "  " + place;
    }
    return out;
}

}  // namespace tessaly
