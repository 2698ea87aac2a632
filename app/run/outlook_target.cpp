#include "app/run/outlook_target.h"

#include <optional>

#include "common/ascii_case.h"

#include "app/run/store_session_failure.h"
#include "app/run/values_without_place.h"
#include "outlook/contact_item_writer.h"
#include "vcard/vcard_text.h"

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

namespace {

// A UID as members name it: without a "urn:uuid:" prefix, in small letters
// (Apple writes the prefix on members and not on the cards).
std::string uidKey(std::string_view uid) {
    uid = trimSpaces(uid);
    if (startsWithNoCase(uid, "urn:uuid:")) uid.remove_prefix(9);
    return asciiLower(uid);
}

}  // namespace

bool OutlookTarget::write(const ContactRecord& record, const CardPlace& place, RunReport& report) {
    if (record.isGroup) {
        groups_.push_back({record.groupName, record.members, place.file, place.line, place.cardNumber});
        if (!record.uid.empty()) groupsByUid_.try_emplace(uidKey(record.uid), record.groupName);
        return true;
    }
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
    if (outcome.listMember) contactsByUid_.try_emplace(uidKey(record.uid), std::move(*outcome.listMember));
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

void OutlookTarget::saveDistributionLists(RunReport& report) {
    for (const Group& group : groups_) {
        const CardPlace place{group.file, group.line, group.cardNumber};
        std::vector<outlook::ListMember> members;
        std::vector<pst::Bytes> entryIds, oneOffs;
        for (const ContactRecord::GroupMember& member : group.members) {
            const std::string where = CardPlace{group.file, member.line, group.cardNumber}.text() +
                                      ": a member of the group '" + group.name + "'";
            std::optional<outlook::ListMember> resolved;
            const std::string_view value = trimSpaces(member.value);
            if (startsWithNoCase(value, "mailto:")) {
                const std::string address(trimSpaces(value.substr(7)));
                if (!address.empty()) resolved = outlook::addressMember(address, "SMTP", address);
            } else if (const auto contact = contactsByUid_.find(uidKey(value)); contact != contactsByUid_.end()) {
                resolved = contact->second;
            }
            if (!resolved) {
                // A list of lists is not made: a member that is a group is
                // named as such.
                const auto nested = groupsByUid_.find(uidKey(value));
                report.add(ReportKind::GroupMembersNotFound, 1,
                           where + (nested != groupsByUid_.end() ? " is the group '" + nested->second +
                                                                       "', which a list here does not hold"
                                                                 : " names no card of this run"));
                continue;
            }
            // Each member property stays within Outlook's limit: a member
            // past it is left out, and said so.
            entryIds.push_back(resolved->entryId);
            oneOffs.push_back(resolved->oneOff);
            if (outlook::memberPropertySize(entryIds) >= outlook::kListMembersLimit ||
                outlook::memberPropertySize(oneOffs) >= outlook::kListMembersLimit) {
                entryIds.pop_back();
                oneOffs.pop_back();
                report.add(ReportKind::GroupMembersLeftOut, 1, where + " did not fit");
                continue;
            }
            members.push_back(std::move(*resolved));
        }
        try {
            session_.objSession().GetStoreFromID(session_.PSTStoreID())->GetDefaultFolder(outlook::kContactsFolder)
                ->Items()->AddDistributionList(group.name, members);
        } catch (const outlook::AutomationError& error) {
            if (const std::string failure = session_.writeFailure(); !failure.empty())
                throw TargetError(session_.PSTPath().string() + ": " + failure);
            report.add(ReportKind::CardsNotSaved, 1, place.text() + " not saved: " + error.what());
        }
    }
    groups_.clear();
}

std::filesystem::path OutlookTarget::close(RunReport& report) {
    saveDistributionLists(report);
    try {
        session_.close();
    } catch (const outlook::AutomationError& error) {
        throw TargetError(error.what());
    }
    return session_.PSTPath();
}

void OutlookTarget::abandon() noexcept { session_.abandon(); }

}  // namespace tessaly
