#include "app/run/worksheet_target.h"

namespace tessaly {

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
    return beyondLastRow == 0;
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
