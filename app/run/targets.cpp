#include "app/run/conversion_target.h"
#include "app/run/outlook_target.h"
#include "app/run/worksheet_target.h"

namespace tessaly {

std::unique_ptr<ConversionTarget> makeTarget(TargetKind kind) {
    switch (kind) {
        case TargetKind::Worksheet:
            return std::make_unique<WorksheetTarget>();
        case TargetKind::Outlook:
            return std::make_unique<OutlookTarget>();
    }
    throw TargetError("no such target");
}

}  // namespace tessaly
