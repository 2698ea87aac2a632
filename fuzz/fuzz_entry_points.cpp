#include "fuzz/fuzz_entry_points.h"

namespace tessaly::fuzz {

const std::array<FuzzEntryPoint, 6>& fuzzEntryPoints() {
    static const std::array<FuzzEntryPoint, 6> entryPoints = {{
        {"vcard_reader", fuzzVcardReader},
        {"vcard_repeated", fuzzVcardReaderRepeated},
        {"base64_decode", fuzzBase64Decode},
        {"pst_verifier", fuzzPstVerifier},
        {"excel_file", fuzzExcelFile},
        {"outlook_contacts", fuzzOutlookContacts},
    }};
    return entryPoints;
}

}  // namespace tessaly::fuzz
