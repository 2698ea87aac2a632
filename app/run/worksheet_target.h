#pragma once
// The worksheet target: "vCardContactsExported.xls", one row per card.

#include "app/run/conversion_target.h"
#include "biff/contact_sheet.h"

namespace tessaly {

class WorksheetTarget : public ConversionTarget {
public:
    explicit WorksheetTarget(DateTextFormat dates = DateTextFormat::fromEnvironment());

    void open(const std::filesystem::path& outputFolder) override;
    bool write(const ContactRecord& record, const CardPlace& place, RunReport& report) override;
    std::filesystem::path close(RunReport& report) override;
    void abandon() noexcept override;
    // The sheet has no picture column.

private:
    ContactSheet sheet_;
};

}  // namespace tessaly
