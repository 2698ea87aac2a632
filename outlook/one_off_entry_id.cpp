#include "outlook/one_off_entry_id.h"

#include "common/utf16.h"

namespace tessaly::outlook {

namespace {

// The provider UID every one-off entry identifier carries.
constexpr std::uint8_t kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                              0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

void appendTerminated(std::vector<std::uint8_t>& out, const std::string& text) {
    appendUtf16le(text, out);
    out.push_back(0);
    out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> oneOffEntryId(const std::string& displayName, const std::string& addressType,
                                        const std::string& address) {
    std::vector<std::uint8_t> out;
    out.reserve(24 + 2 * (displayName.size() + addressType.size() + address.size()) + 6);
    out.resize(4, 0);  // flags
    out.insert(out.end(), std::begin(kOneOffProvider), std::end(kOneOffProvider));
    out.insert(out.end(), {0x00, 0x00});  // version
    // Pad, MAE, format and M in the first byte (M: send as MIME), U in the
    // second (the strings are Unicode); read little-endian, 0x8001.
    out.insert(out.end(), {0x01, 0x80});
    appendTerminated(out, displayName);
    appendTerminated(out, addressType);
    appendTerminated(out, address);
    return out;
}

}  // namespace tessaly::outlook
