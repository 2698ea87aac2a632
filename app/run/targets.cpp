#include "app/run/conversion_target.h"
#include "app/run/outlook_target.h"
#include "app/run/worksheet_target.h"

namespace tessaly {

std::unique_ptr<ConversionTarget> makeTarget(TargetKind kind) {
    switch (kind) {
        case TargetKind::Worksheet:
            return std::make_unique<WorksheetTarget>();
        case TargetKind::Outlook: {
            // The store writes its messages on a second thread while the
            // cards are read and made into contacts.
            pst::PstOptions options;
            options.writeInBackground = true;
            return std::make_unique<OutlookTarget>(outlook::systemLocalTime, options);
        }
    }
    throw TargetError("no such target");
}

}  // namespace tessaly
