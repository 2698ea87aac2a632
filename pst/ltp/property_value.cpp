#include "pst/ltp/property_value.h"

#include <bit>
#include <cmath>

namespace tessaly::pst {

PropertyValue PropertyValue::int32(std::int32_t value) {
    PropertyValue out{PropertyType::Int32, Bytes(4)};
    put32(out.bytes.data(), static_cast<std::uint32_t>(value));
    return out;
}

PropertyValue PropertyValue::boolean(bool value) {
    return {PropertyType::Boolean, Bytes{static_cast<std::uint8_t>(value ? 1 : 0)}};
}

PropertyValue PropertyValue::int64(std::int64_t value) {
    PropertyValue out{PropertyType::Int64, Bytes(8)};
    put64(out.bytes.data(), static_cast<std::uint64_t>(value));
    return out;
}

PropertyValue PropertyValue::time(std::uint64_t fileTime) {
    PropertyValue out{PropertyType::Time, Bytes(8)};
    put64(out.bytes.data(), fileTime);
    return out;
}

PropertyValue PropertyValue::floating(double value) {
    PropertyValue out{PropertyType::Double, Bytes(8)};
    put64(out.bytes.data(), std::bit_cast<std::uint64_t>(value));
    return out;
}

PropertyValue PropertyValue::string(const std::string& utf8) { return {PropertyType::String, utf8ToUtf16le(utf8)}; }

PropertyValue PropertyValue::binary(Bytes value) { return {PropertyType::Binary, std::move(value)}; }

namespace {

// Multi-valued variable-size layout: count, one offset per value, the values.
PropertyValue multipleVariable(std::uint16_t type, const std::vector<Bytes>& values) {
    PropertyValue out{type, {}};
    append32(out.bytes, static_cast<std::uint32_t>(values.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(4 + 4 * values.size());
    for (const auto& value : values) {
        append32(out.bytes, offset);
        offset += static_cast<std::uint32_t>(value.size());
    }
    for (const auto& value : values) out.bytes.insert(out.bytes.end(), value.begin(), value.end());
    return out;
}

}  // namespace

PropertyValue PropertyValue::multipleString(const std::vector<std::string>& utf8) {
    std::vector<Bytes> values;
    for (const auto& text : utf8) {
        values.push_back(utf8ToUtf16le(text));
    }
    return multipleVariable(PropertyType::MultipleString, values);
}

PropertyValue PropertyValue::multipleBinary(const std::vector<Bytes>& values) {
    return multipleVariable(PropertyType::MultipleBinary, values);
}

PropertyValue PropertyValue::multipleInt32(const std::vector<std::int32_t>& values) {
    PropertyValue out{PropertyType::MultipleInt32, {}};
    for (std::int32_t value : values) append32(out.bytes, static_cast<std::uint32_t>(value));
    return out;
}

std::size_t fixedSize(std::uint16_t type) {
    switch (type) {
        case PropertyType::Boolean: return 1;
        case PropertyType::Int16: return 2;
        case PropertyType::Int32:
        case PropertyType::Float:
        case PropertyType::Error: return 4;
        case PropertyType::Double:
        case PropertyType::Currency:
        case PropertyType::AppTime:
        case PropertyType::Int64:
        case PropertyType::Time: return 8;
        default: return 0;
    }
}

bool isKnownType(std::uint16_t type) {
    switch (type) {
        case PropertyType::Guid:
        case PropertyType::String:
        case PropertyType::Binary:
        case PropertyType::MultipleInt32:
        case PropertyType::MultipleString:
        case PropertyType::MultipleBinary: return true;
        default: return fixedSize(type) != 0;
    }
}

Bytes utf8ToUtf16le(const std::string& utf8) {
    Bytes out(utf8.size() * 2);
    std::size_t at = 0;
    auto emit = [&out, &at](std::uint32_t unit) {
        if (at + 2 > out.size()) out.resize(at + 2);
        out[at++] = static_cast<std::uint8_t>(unit);
        out[at++] = static_cast<std::uint8_t>(unit >> 8);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        if (lead < 0x80) {  // the common case: one byte, one unit
            out[at++] = lead;
            out[at++] = 0;
            ++i;
            continue;
        }
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        const std::size_t expected = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
        if (expected != 0 && i + expected <= utf8.size()) {
            std::uint32_t value = lead & (0xFF >> (expected + 1));
            bool valid = true;
            for (std::size_t k = 1; k < expected; ++k) {
                const auto next = static_cast<std::uint8_t>(utf8[i + k]);
                valid = valid && (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3F);
            }
            static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
            if (valid && value >= kMinimum[expected] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
                code = value;
                length = expected;
            }
        }
        if (code >= 0x10000) {
            emit(0xD800 + ((code - 0x10000) >> 10));
            emit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            emit(code);
        }
        i += length;
    }
    out.resize(at);
    return out;
}

std::uint64_t fileTimeFromDays(double days) {
    // 30 December 1899 is 109,205 days after 1 January 1601.
    constexpr double kDaysFrom1601 = 109205.0;
    constexpr double kTicksPerDay = 864000000000.0;
    return static_cast<std::uint64_t>(std::llround((days + kDaysFrom1601) * kTicksPerDay));
}

}  // namespace tessaly::pst
