#include "outlook/property_sets.h"

namespace tessaly::outlook {

const pst::Guid kPsetidAddress = pst::parseGuid("00062004-0000-0000-C000-000000000046");
const pst::Guid kPsetidTask = pst::parseGuid("00062003-0000-0000-C000-000000000046");

}  // namespace tessaly::outlook
