#pragma once
// The Outlook target: a new .pst file in the output folder, one contact per
// card in its contacts folder.

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
    bool write(const ContactRecord& record, const CardPlace& place, RunReport& report) override;
    std::filesystem::path close(RunReport& report) override;
    void abandon() noexcept override;
    bool storesPictures() const override { return true; }

    const outlook::StoreSession& session() const { return session_; }

private:
    outlook::StoreSession session_;
};

}  // namespace tessaly
