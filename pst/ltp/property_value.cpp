#include "pst/ltp/property_value.h"

#include <bit>
#include <cmath>

#include "pst/pst_error.h"

namespace tessaly::pst {

namespace {

std::string typeText(std::uint16_t type) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(type >> shift) & 0xF];
    return text;
}

// Why `bytes` cannot be a value of `type`, or "" when they can.
std::string misfit(std::uint16_t type, ByteView bytes) {
    if (!isKnownType(type)) return "property type " + typeText(type) + " is not supported";
    // Only a value that does not fit pays for the message.
    const auto of = [type] { return "a value of type " + typeText(type); };
    const std::size_t size = bytes.size();
    const std::size_t fixed = type == PropertyType::Guid ? 16 : fixedSize(type);
    if (fixed != 0) {
        if (size == fixed) return {};
        return of() + " takes " + std::to_string(fixed) + " bytes, not " + std::to_string(size);
    }
    switch (type) {
        case PropertyType::String:
            return size % 2 == 0 ? std::string() : of() + " takes whole UTF-16 units, not " + std::to_string(size) + " bytes";
        case PropertyType::MultipleInt32:
            return size % 4 == 0 ? std::string() : of() + " takes whole 4-byte items, not " + std::to_string(size) + " bytes";
        case PropertyType::MultipleString:
        case PropertyType::MultipleBinary: {
            // A count, one offset per item, then the items in order.
            if (size < 4) return of() + " lacks its item count";
            const std::uint64_t count = get32(bytes.data());
            if (4 + 4 * count > size) return of() + " is too short for its " + std::to_string(count) + " items";
            std::uint64_t previous = 4 + 4 * count;
            for (std::uint64_t i = 0; i <= count; ++i) {
                const std::uint64_t offset = i < count ? get32(bytes.data() + 4 + 4 * i) : size;
                const bool oddString = type == PropertyType::MultipleString && (offset - previous) % 2 != 0;
                if (offset < previous || offset > size || oddString) return of() + " has an item out of place";
                previous = offset;
            }
            return {};
        }
        default:
            return {};
    }
}

}  // namespace

PropertyValue::PropertyValue(std::uint16_t type, Bytes bytes) : type_(type) {
    if (const std::string why = misfit(type_, bytes); !why.empty()) throw PstError(why);
    if (bytes.size() > 0xFFFFFFFFu) throw PstError("a value of " + std::to_string(bytes.size()) + " bytes is too large");
    size_ = static_cast<std::uint32_t>(bytes.size());
    if (isInline()) {
        std::copy(bytes.begin(), bytes.end(), storage_.inline_);
    } else {
        new (&storage_.heap_) Bytes(std::move(bytes));
    }
}

PropertyValue::PropertyValue(std::uint16_t type, const std::uint8_t* data, std::size_t size)
    : type_(type), size_(static_cast<std::uint32_t>(size)) {
    std::copy(data, data + size, storage_.inline_);
}

PropertyValue PropertyValue::int32(std::int32_t value) {
    std::uint8_t bytes[4];
    put32(bytes, static_cast<std::uint32_t>(value));
    return {PropertyType::Int32, bytes, sizeof bytes};
}

PropertyValue PropertyValue::boolean(bool value) {
    const std::uint8_t byte = value ? 1 : 0;
    return {PropertyType::Boolean, &byte, 1};
}

PropertyValue PropertyValue::int64(std::int64_t value) {
    std::uint8_t bytes[8];
    put64(bytes, static_cast<std::uint64_t>(value));
    return {PropertyType::Int64, bytes, sizeof bytes};
}

PropertyValue PropertyValue::time(std::uint64_t fileTime) {
    std::uint8_t bytes[8];
    put64(bytes, fileTime);
    return {PropertyType::Time, bytes, sizeof bytes};
}

PropertyValue PropertyValue::floating(double value) {
    std::uint8_t bytes[8];
    put64(bytes, std::bit_cast<std::uint64_t>(value));
    return {PropertyType::Double, bytes, sizeof bytes};
}

PropertyValue PropertyValue::string(const std::string& utf8) {
    // Converted into a buffer kept for the next text: a short text then
    // takes no memory of its own, a longer one just its units.
    // A text too long to be worth keeping room for goes its own way.
    if (utf8.size() > 4096) return {PropertyType::String, utf8ToUtf16le(utf8)};
    thread_local std::array<std::uint8_t, 2 * 4096> units;
    const std::size_t size = writeUtf16le(utf8, units.data());
    if (size <= kInlineBytes) return {PropertyType::String, units.data(), size};
    // Whole units, so they fit the type as they are.
    PropertyValue value(PropertyType::String, nullptr, 0);
    new (&value.storage_.heap_) Bytes(units.data(), units.data() + size);
    value.size_ = static_cast<std::uint32_t>(size);
    return value;
}

PropertyValue PropertyValue::binary(Bytes value) { return {PropertyType::Binary, std::move(value)}; }

namespace {

// Multi-valued variable-size layout: count, one offset per value, the values.
Bytes multipleVariable(const std::vector<Bytes>& values) {
    // The count, an offset per item, then the items, in a buffer of its size.
    std::size_t size = 4 + 4 * values.size();
    for (const auto& value : values) size += value.size();
    Bytes out(size);
    put32(out.data(), static_cast<std::uint32_t>(values.size()));
    std::size_t offset = 4 + 4 * values.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        put32(out.data() + 4 + 4 * i, static_cast<std::uint32_t>(offset));
        std::copy(values[i].begin(), values[i].end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
        offset += values[i].size();
    }
    return out;
}

}  // namespace

PropertyValue PropertyValue::multipleString(const std::vector<std::string>& utf8) {
    // The count and offsets, then each text widened where it goes: the
    // buffer is made for the longest the texts can widen to (two bytes a
    // byte) and cut to what they took.
    const std::size_t head = 4 + 4 * utf8.size();
    std::size_t most = head;
    for (const auto& text : utf8) most += 2 * text.size();
    Bytes out(most);
    put32(out.data(), static_cast<std::uint32_t>(utf8.size()));
    std::size_t offset = head;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        put32(out.data() + 4 + 4 * i, static_cast<std::uint32_t>(offset));
        offset += writeUtf16le(utf8[i], out.data() + offset);
    }
    out.resize(offset);
    return {PropertyType::MultipleString, std::move(out)};
}

PropertyValue PropertyValue::multipleBinary(const std::vector<Bytes>& values) {
    return {PropertyType::MultipleBinary, multipleVariable(values)};
}

PropertyValue PropertyValue::multipleInt32(const std::vector<std::int32_t>& values) {
    Bytes bytes(4 * values.size());
    for (std::size_t i = 0; i < values.size(); ++i) put32(bytes.data() + 4 * i, static_cast<std::uint32_t>(values[i]));
    return {PropertyType::MultipleInt32, std::move(bytes)};
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

std::uint64_t fileTimeFromDays(double days) {
    // 30 December 1899 is 109,205 days after 1 January 1601.
    constexpr double kDaysFrom1601 = 109205.0;
    constexpr double kTicksPerDay = 864000000000.0;
    return static_cast<std::uint64_t>(std::llround((days + kDaysFrom1601) * kTicksPerDay));
}

}  // namespace tessaly::pst
