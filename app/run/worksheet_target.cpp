#include "app/run/worksheet_target.h"

#include "app/run/values_without_place.h"

namespace tessaly {

namespace {

// The fields of the record the sheet's 36 columns have no place for.
constexpr FieldWithoutPlace kWithoutColumn[] = {
    {"eContact_JobTitle", "a profession"},
    {"eContact_CarPhone", "a car phone number"},
    {"eContact_IMAddress", "an instant-messaging address"},
    {"eContact_Spouse", "a spouse's name"},
    {"eContact_Childern", "children's names"},
    {"eContact_ShortName", "a nickname"},
    {"eContact_Categories", "categories"},
    {"business2Phone", "a second business number"},
    {"home2Phone", "a second home number"},
    {"otherPhone", "an other number"},
    {"primaryPhone", "a primary number"},
    {"companyMainPhone", "a company main number"},
    {"assistantPhone", "an assistant's number"},
    {"callbackPhone", "a callback number"},
    {"isdnNumber", "an ISDN number"},
    {"radioPhone", "a radio number"},
    {"telexNumber", "a telex number"},
    {"ttyTddPhone", "a TTY/TDD number"},
    {"otherFax", "an other fax number"},
    {"otherStreet", "the other address's street"},
    {"otherCity", "the other address's city"},
    {"otherState", "the other address's state"},
    {"otherZip", "the other address's postal code"},
    {"otherCountry", "the other address's country"},
    {"otherPostOfficeBox", "the other address's post-office box"},
    {"personalHomePage", "a personal web page"},
    {"gender", "a gender"},
    {"language", "a language"},
    {"freeBusyAddress", "a free/busy address"},
    {"fileAs", "a file-as name"},
    {"isPrivate", "the private mark"},
};

}  // namespace

WorksheetTarget::WorksheetTarget(DateTextFormat dates) : sheet_(std::move(dates)) {}

void WorksheetTarget::open(const std::filesystem::path& outputFolder) {
    try {
        sheet_.open(outputFolder);
    } catch (const SheetWriteError& error) {
        throw TargetError(error.what());
    }
}

bool WorksheetTarget::write(const ContactRecord& record, const CardPlace& place, RunReport& report) {
    const std::int32_t cardNumber = place.cardNumber;
    const ContactSheetCounts before = sheet_.counts();
    try {
        sheet_.Save2ExcelContact(record, cardNumber);
    } catch (const SheetWriteError& error) {
        throw TargetError(error.what());
    }
    // Whatever the sheet had to change or leave out of this card is noted with
    // the card's place.
    const ContactSheetCounts after = sheet_.counts();
    const auto beyondLastRow = after.cardsBeyondLastRow - before.cardsBeyondLastRow;
    if (beyondLastRow != 0) report.add(ReportKind::CardsBeyondLastRow, beyondLastRow, place.text() + " not written");
    if (const auto n = after.cardsPastRow16384 - before.cardsPastRow16384)
        report.add(ReportKind::CardsPastRow16384, n, place.text() + " is in row " + std::to_string(cardNumber + 1));
    if (const auto n = after.shortenedCells - before.shortenedCells)
        report.add(ReportKind::ShortenedValues, n,
                   place.text() + ": " + std::to_string(n) + (n == 1 ? " value" : " values") + " cut");
    if (const auto n = after.datesLeftOut - before.datesLeftOut)
        report.add(ReportKind::DatesLeftOut, n,
                   place.text() + ": " + std::to_string(n) + (n == 1 ? " date" : " dates") + " left out");
    if (const auto n = after.replacedCharacters - before.replacedCharacters)
        report.add(ReportKind::ReplacedCharacters, n,
                   place.text() + ": " + std::to_string(n) + (n == 1 ? " character" : " characters") + " replaced");
    if (beyondLastRow != 0) return false;
    reportValuesWithoutPlace(record, place, kWithoutColumn, ReportKind::ValuesWithoutPlaceInSheet, report);
    return true;
}

std::filesystem::path WorksheetTarget::close(RunReport&) {
    try {
        sheet_.close();
    } catch (const SheetWriteError& error) {
        throw TargetError(error.what());
    }
    return sheet_.path();
}

void WorksheetTarget::abandon() noexcept { sheet_.abandon(); }

}  // namespace tessaly
