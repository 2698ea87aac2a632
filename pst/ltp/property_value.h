#pragma once
// Property types (MS-OXCDATA 2.11.1) and values in the little-endian form the
// PST stores them: strings as UTF-16LE without terminator, times as FILETIME,
// multi-valued types as counts and offsets.

#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "common/utf16.h"
#include "pst/ndb/little_endian.h"

namespace tessaly::pst {

namespace PropertyType {
constexpr std::uint16_t Int16 = 0x0002;
constexpr std::uint16_t Int32 = 0x0003;
constexpr std::uint16_t Float = 0x0004;
constexpr std::uint16_t Double = 0x0005;
constexpr std::uint16_t Currency = 0x0006;
constexpr std::uint16_t AppTime = 0x0007;
constexpr std::uint16_t Error = 0x000A;
constexpr std::uint16_t Boolean = 0x000B;
constexpr std::uint16_t Int64 = 0x0014;
constexpr std::uint16_t String = 0x001F;
constexpr std::uint16_t Time = 0x0040;
constexpr std::uint16_t Guid = 0x0048;
constexpr std::uint16_t Binary = 0x0102;
constexpr std::uint16_t MultipleInt32 = 0x1003;
constexpr std::uint16_t MultipleString = 0x101F;
constexpr std::uint16_t MultipleBinary = 0x1102;
}  // namespace PropertyType

constexpr std::uint32_t makeTag(std::uint16_t id, std::uint16_t type) {
    return (static_cast<std::uint32_t>(id) << 16) | type;
}
constexpr std::uint16_t tagId(std::uint32_t tag) { return static_cast<std::uint16_t>(tag >> 16); }
constexpr std::uint16_t tagType(std::uint32_t tag) { return static_cast<std::uint16_t>(tag); }

// Bytes held elsewhere, read-only: a value's stored bytes. Compares with
// bytes of either kind and converts to a copy of its own.
class ByteView {
public:
    using value_type = std::uint8_t;
    using const_iterator = const std::uint8_t*;
    using iterator = const_iterator;

    ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    ByteView(const Bytes& bytes) : data_(bytes.data()), size_(bytes.size()) {}

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::uint8_t* begin() const { return data_; }
    const std::uint8_t* end() const { return data_ + size_; }
    std::uint8_t operator[](std::size_t index) const { return data_[index]; }
    operator Bytes() const { return Bytes(begin(), end()); }

    friend bool operator==(ByteView a, ByteView b) {
        return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data_, b.data_, a.size_) == 0);
    }
    friend bool operator==(ByteView a, const Bytes& b) { return a == ByteView(b); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// A value as the store keeps it: its type and its stored bytes, which always
// fit the type (the store copies a fixed-size value into a 1- to 8-byte cell
// and reads counts and offsets of a multi-valued one). A message has a
// hundred and more values, most of them numbers, flags and short texts: up to
// 40 bytes (kInlineBytes) are held in the value itself, not in memory of their own.
class PropertyValue {
public:
    // Throws PstError for a type the store does not write and for bytes that
    // do not fit the type: a fixed-size type takes exactly its size, a string
    // whole UTF-16 units, a multi-valued type its count, offsets and items.
    PropertyValue(std::uint16_t type, Bytes bytes);
    PropertyValue(const PropertyValue& other) : type_(other.type_), size_(other.size_) { copyStorage(other); }
    // A value moved from is left empty, not with a length and no bytes.
    PropertyValue(PropertyValue&& other) noexcept : type_(other.type_), size_(other.size_) { takeStorage(other); }
    PropertyValue& operator=(const PropertyValue& other) {
        if (this != &other) *this = PropertyValue(other);
        return *this;
    }
    PropertyValue& operator=(PropertyValue&& other) noexcept {
        if (this == &other) return *this;
        releaseStorage();
        type_ = other.type_;
        size_ = other.size_;
        takeStorage(other);
        return *this;
    }
    ~PropertyValue() { releaseStorage(); }

    std::uint16_t type() const { return type_; }
    ByteView bytes() const { return {isInline() ? storage_.inline_ : storage_.heap_.data(), size_}; }

    static PropertyValue int32(std::int32_t value);
    static PropertyValue boolean(bool value);
    static PropertyValue int64(std::int64_t value);
    // `fileTime`: 100-nanosecond intervals since 1 January 1601 (UTC).
    static PropertyValue time(std::uint64_t fileTime);
    static PropertyValue floating(double value);
    static PropertyValue string(const std::string& utf8);
    static PropertyValue binary(Bytes value);
    static PropertyValue multipleString(const std::vector<std::string>& utf8);
    static PropertyValue multipleBinary(const std::vector<Bytes>& values);
    static PropertyValue multipleInt32(const std::vector<std::int32_t>& values);

private:
    // The room a heap-held value's vector takes anyway: texts of up to 20
    // characters, numbers and flags fit, so most values take no memory of
    // their own.
    static constexpr std::size_t kInlineBytes = 40;
    // Bytes known to fit the type (a fixed-size value, UTF-16 units), at
    // most kInlineBytes of them, held inline.
    PropertyValue(std::uint16_t type, const std::uint8_t* data, std::size_t size);

    bool isInline() const { return size_ <= kInlineBytes; }
    // For a value whose type_ and size_ are set: its storage as `other`'s.
    void copyStorage(const PropertyValue& other) {
        if (isInline()) {
            std::memcpy(storage_.inline_, other.storage_.inline_, kInlineBytes);
        } else {
            new (&storage_.heap_) Bytes(other.storage_.heap_);
        }
    }
    // The same taking `other`'s, which is left empty.
    void takeStorage(PropertyValue& other) noexcept {
        if (isInline()) {
            std::memcpy(storage_.inline_, other.storage_.inline_, kInlineBytes);
        } else {
            new (&storage_.heap_) Bytes(std::move(other.storage_.heap_));
            other.storage_.heap_.~Bytes();
        }
        other.size_ = 0;
    }
    void releaseStorage() noexcept {
        if (!isInline()) storage_.heap_.~Bytes();
        size_ = 0;
    }

    std::uint16_t type_;
    std::uint32_t size_ = 0;
    // Inline while size_ <= kInlineBytes, else the vector.
    union Storage {
        // Left as it is: every constructor fills what it uses, and a move
        // or copy overwrites it whole.
        Storage() {}
        ~Storage() {}
        std::uint8_t inline_[kInlineBytes];
        Bytes heap_;
    } storage_;
};

// The stored size of a fixed-size type, or 0 for a variable-size one.
inline std::size_t fixedSize(std::uint16_t type) {
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

bool isKnownType(std::uint16_t type);

// Days since 30 December 1899 (the fraction is the time of day) to FILETIME.
std::uint64_t fileTimeFromDays(double days);

}  // namespace tessaly::pst
