#include "app/run/conversion_target.h"
#include "app/run/worksheet_target.h"

namespace tessaly {

std::unique_ptr<ConversionTarget> makeTarget(TargetKind kind) {
    switch (kind) {
        case TargetKind::Worksheet:
            return std::make_unique<WorksheetTarget>();
        case TargetKind::Outlook:
            break;
    }
    throw TargetError("the Outlook (.pst) target is not available yet");
}

}  // namespace tessaly
