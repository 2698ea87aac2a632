#pragma once
// What a run did not convert, or converted with changes, by kind: the text the
// end-of-run message adds after its own lines.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tessaly {

enum class ReportKind {
    OutputFolderShared,      // a warning, not a problem: others can change the output folder
    FilesReadInAdvanceMode,  // a note, not a problem: files whose lines end in LF alone
    FilesNotRead,          // files that could not be read or stopped early
    FilesWithoutCards,     // files in which no card was found
    CardsIncomplete,       // cards left incomplete or merged
    CardsNotSaved,         // cards the Outlook store did not take
    ContactValuesLeftOut,  // values or pictures a contact was saved without
    ValuesWithoutPlaceInContact,  // card values the Outlook contact has no field for
    ValuesWithoutPlaceInSheet,    // card values the worksheet has no column for
    GroupMembersNotFound,   // members of contact groups that name no card of the run
    GroupMembersLeftOut,    // members a distribution list had no room for
    GroupsWithoutPlaceInSheet,    // contact groups, which the worksheet has no rows for
    CardsBeyondLastRow,    // cards beyond the sheet's last row
    CardsPastRow16384,     // cards below row 16,384
    ShortenedValues,       // values cut to 255 characters
    DatesLeftOut,          // dates the sheet cannot show
    ReplacedCharacters,    // characters written as "?"
    NulCharactersLeftOut,  // U+0000 characters left out of values
    PicturesUndecodable,   // pictures that could not be decoded
    PicturesNotWritten,    // picture files that could not be written
    RunStopped,            // the user stopped the run
    Count                  // not a kind: how many there are
};

inline constexpr std::size_t kReportKinds = static_cast<std::size_t>(ReportKind::Count);

class RunReport {
public:
    // Counts `count` of a kind and keeps `where` ("file:line: cause") while
    // fewer than ten are kept for it.
    void add(ReportKind kind, std::size_t count, const std::string& where);

    // Whether a further place of `kind` would be kept: callers skip building
    // the text of one that would not.
    bool keepsPlacesOf(ReportKind kind) const;

    bool empty() const;
    // Whether anything but notes was counted: what makes a run's result a
    // partial one.
    bool hasProblems() const;
    std::size_t count(ReportKind kind) const { return entries_[static_cast<std::size_t>(kind)].count; }

    // One block per kind that occurred: "N <kind>" and its places, in the
    // order of the kinds; "" when the report is empty.
    std::string text(const std::string& lineBreak) const;

private:
    struct Entry {
        std::size_t count = 0;
        std::vector<std::string> places;
    };
    std::array<Entry, kReportKinds> entries_;
};

// "file:line: cause", or "file: cause" without a line.
std::string reportPlace(const std::string& file, long line, const std::string& cause);

}  // namespace tessaly
