#pragma once
// The Outlook target: a new .pst file in the output folder, one contact per
// card in its contacts folder.

#include <string>
#include <unordered_map>
#include <vector>

#include "app/run/conversion_target.h"
#include "outlook/store_session.h"

namespace tessaly {

class OutlookTarget : public ConversionTarget {
public:
    explicit OutlookTarget(outlook::LocalClock clock = outlook::systemLocalTime, pst::PstOptions options = {});

    // A set-up failure shows the "Outlook Error" message.
    void open(const std::filesystem::path& outputFolder) override;
    // A card whose contact could not be saved is reported and not counted;
    // statements that failed on a saved contact (a picture that could not be
    // read, …) are reported with the card.
    // A group card is kept, and written at the close as a distribution list.
    bool write(const ContactRecord& record, const CardPlace& place, RunReport& report) override;
    // Saves the distribution lists, reporting members that name no card of
    // the run and members a list has no room for, then finishes the store.
    std::filesystem::path close(RunReport& report) override;
    void abandon() noexcept override;
    bool storesPictures() const override { return true; }

    const outlook::StoreSession& session() const { return session_; }

private:
    // A group card, kept until the end of the run: its members may name
    // cards read after it or in later files.
    struct Group {
        std::string name;
        std::vector<ContactRecord::GroupMember> members;
        std::string file;
        long line = 0;
        std::int32_t cardNumber = 0;
    };
    void saveDistributionLists(RunReport& report);

    outlook::StoreSession session_;
    std::vector<Group> groups_;
    // The groups' own UIDs, as contacts' are keyed, and their names: a
    // member that names a group is said to be one.
    std::unordered_map<std::string, std::string> groupsByUid_;
    // The contacts with a UID, by the UID as members name them (without
    // "urn:uuid:", in small letters): the first card of a UID wins.
    std::unordered_map<std::string, outlook::ListMember> contactsByUid_;
};

}  // namespace tessaly
