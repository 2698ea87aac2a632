#include "app/run/worksheet_target.h"

#include "app/run/values_without_place.h"

namespace tessaly {

namespace {

// The fields of the record the sheet's 36 columns have no place for.
const FieldWithoutPlace kWithoutColumn[] = {
    {&ContactRecord::eContact_JobTitle, "eContact_JobTitle", "a profession"},
    {&ContactRecord::eContact_CarPhone, "eContact_CarPhone", "a car phone number"},
    {&ContactRecord::eContact_IMAddress, "eContact_IMAddress", "an instant-messaging address"},
    {&ContactRecord::eContact_Spouse, "eContact_Spouse", "a spouse's name"},
    {&ContactRecord::eContact_Childern, "eContact_Childern", "children's names"},
    {&ContactRecord::eContact_ShortName, "eContact_ShortName", "a nickname"},
    {&ContactRecord::eContact_Categories, "eContact_Categories", "categories"},
    {&ContactRecord::business2Phone, "business2Phone", "a second business number"},
    {&ContactRecord::home2Phone, "home2Phone", "a second home number"},
    {&ContactRecord::otherPhone, "otherPhone", "an other number"},
    {&ContactRecord::primaryPhone, "primaryPhone", "a primary number"},
    {&ContactRecord::companyMainPhone, "companyMainPhone", "a company main number"},
    {&ContactRecord::assistantPhone, "assistantPhone", "an assistant's number"},
    {&ContactRecord::callbackPhone, "callbackPhone", "a callback number"},
    {&ContactRecord::isdnNumber, "isdnNumber", "an ISDN number"},
    {&ContactRecord::radioPhone, "radioPhone", "a radio number"},
    {&ContactRecord::telexNumber, "telexNumber", "a telex number"},
    {&ContactRecord::ttyTddPhone, "ttyTddPhone", "a TTY/TDD number"},
    {&ContactRecord::otherFax, "otherFax", "an other fax number"},
    {&ContactRecord::otherStreet, "otherStreet", "the other address's street"},
    {&ContactRecord::otherCity, "otherCity", "the other address's city"},
    {&ContactRecord::otherState, "otherState", "the other address's state"},
    {&ContactRecord::otherZip, "otherZip", "the other address's postal code"},
    {&ContactRecord::otherCountry, "otherCountry", "the other address's country"},
    {&ContactRecord::otherPostOfficeBox, "otherPostOfficeBox", "the other address's post-office box"},
    {&ContactRecord::personalHomePage, "personalHomePage", "a personal web page"},
    {&ContactRecord::gender, "gender", "a gender"},
    {&ContactRecord::language, "language", "a language"},
    {&ContactRecord::freeBusyAddress, "freeBusyAddress", "a free/busy address"},
    {&ContactRecord::fileAs, "fileAs", "a file-as name"},
    {&ContactRecord::isPrivate, "isPrivate", "the private mark"},
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
    // A contact group is no person: it has no row, and is named.
    if (record.isGroup) {
        report.add(ReportKind::GroupsWithoutPlaceInSheet, 1, place.text() + ": the group '" + record.groupName + "'");
        return false;
    }
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
