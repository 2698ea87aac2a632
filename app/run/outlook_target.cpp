#include "app/run/outlook_target.h"

#include "app/run/store_session_failure.h"
#include "app/run/values_without_place.h"
#include "outlook/contact_item_writer.h"

namespace tessaly {

OutlookTarget::OutlookTarget(outlook::LocalClock clock, pst::PstOptions options)
    : session_(std::move(clock), std::move(options)) {}

void OutlookTarget::open(const std::filesystem::path& outputFolder) {
    try {
        session_.open(outputFolder);
    } catch (const outlook::StoreSessionError& error) {
        throw TargetError(storeSessionFailureText(error.what()), "Outlook Error", MessageIcon::Information);
    }
}

bool OutlookTarget::write(const ContactRecord& record, const CardPlace& place, RunReport& report) {
    const outlook::ContactItemOutcome outcome =
        outlook::CreateContactItem(session_.objSession(), session_.PSTStoreID(), outlook::kContactsFolder, record);
    // A store whose file can no longer be written takes no further card: the
    // run ends with the first cause.
    if (const std::string failure = session_.writeFailure(); !failure.empty())
        throw TargetError(session_.PSTPath().string() + ": " + failure);
    if (!outcome.saved) {
        report.add(ReportKind::CardsNotSaved, 1, place.text() + " not saved: " + outlook::notSavedCause(outcome));
        return false;
    }
    // An Outlook contact has three e-mail addresses and knows two genders.
    const bool knownGender = record.gender.empty() || record.gender == "F" || record.gender == "M";
    const FieldWithoutPlace withoutField[] = {
        {&ContactRecord::email4, "email4", "a fourth e-mail address"},
        {knownGender ? nullptr : &ContactRecord::gender, "gender", "a gender other than female or male"}};
    reportValuesWithoutPlace(record, place, withoutField, ReportKind::ValuesWithoutPlaceInContact, report);
    if (outcome.failures.empty()) return true;
    const std::string card = place.text();
    for (const std::string& failure : outcome.failures)
        report.add(ReportKind::ContactValuesLeftOut, 1, card + ": " + failure);
    return true;
}

std::filesystem::path OutlookTarget::close(RunReport&) {
    try {
        session_.close();
    } catch (const outlook::AutomationError& error) {
        throw TargetError(error.what());
    }
    return session_.PSTPath();
}

void OutlookTarget::abandon() noexcept { session_.abandon(); }

}  // namespace tessaly
