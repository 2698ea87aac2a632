#include "vcard/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/utf8.h"
#include "vcard/vcard_read_error.h"

namespace tessaly {

namespace {

constexpr std::size_t kChunkBytes = 1 << 16;

// How much of the file start is looked at to recognise UTF-16 without a mark.
constexpr std::size_t kSniffBytes = 512;

}  // namespace

ByteSource::ByteSource(const std::string& path) : path_(path) {
    // A file of a folder others can write in may have been swapped since it
    // was listed: a link at its name is not followed, and a pipe or a device
    // is not read (O_NONBLOCK keeps the open itself from waiting on a pipe).
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ELOOP) throw VcardReadError(path, 0, "is a link; it was not followed");
        throw VcardReadError(path, 0, std::strerror(errno));
    }
    struct stat status {};
    const char* refusal = nullptr;
    if (::fstat(descriptor, &status) != 0)
        refusal = std::strerror(errno);
    else if (S_ISDIR(status.st_mode))
        refusal = "is a folder, not a file";
    else if (!S_ISREG(status.st_mode))
        refusal = "not a regular file; it was not read";
    if (refusal == nullptr && ::fcntl(descriptor, F_SETFL, 0) != 0) refusal = std::strerror(errno);
    if (refusal == nullptr) file_ = ::fdopen(descriptor, "rb");
    if (!file_) {
        const std::string cause = refusal != nullptr ? refusal : std::strerror(errno);
        ::close(descriptor);
        throw VcardReadError(path, 0, cause);
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);  // chunks are read whole; no second buffer
    detectEncoding();
}

ByteSource::~ByteSource() {
    if (file_) std::fclose(file_);
}

bool ByteSource::readRaw(std::string& bytes) {
    // Buffers cycle between the reader and this source at full size, so this
    // seldom has to grow (and clear) one.
    if (bytes.size() != kChunkBytes) bytes.resize(kChunkBytes);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file_);
    bytes.resize(got);
    if (got == 0 && std::ferror(file_)) throw VcardReadError(path_, 0, std::strerror(errno));
    return got > 0;
}

void ByteSource::detectEncoding() {
    readRaw(first_);
    firstPending_ = true;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(first_[i]); };
    if (first_.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        first_.erase(0, 3);
        return;
    }
    if (first_.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        utf16_ = Utf16::LittleEndian;
        first_.erase(0, 2);
    } else if (first_.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        utf16_ = Utf16::BigEndian;
        first_.erase(0, 2);
    } else {
        // Without a mark: text in UTF-16 has a zero in every other byte while it
        // is Latin; count the zeros on each side of the first lines.
        const std::size_t pairs = std::min(first_.size(), kSniffBytes) / 2;
        std::size_t zeroLow = 0, zeroHigh = 0;
        for (std::size_t i = 0; i < pairs; ++i) {
            zeroLow += byte(2 * i) == 0;
            zeroHigh += byte(2 * i + 1) == 0;
        }
        // Most of one side zero, next to none of the other (a character such
        // as U+0100 or a surrogate may put a zero there).
        const auto mostly = [&](std::size_t zeros) { return zeros * 10 >= pairs * 7; };
        const auto hardly = [&](std::size_t zeros) { return zeros * 10 <= pairs; };
        if (pairs >= 2 && mostly(zeroHigh) && hardly(zeroLow))
            utf16_ = Utf16::LittleEndian;
        else if (pairs >= 2 && mostly(zeroLow) && hardly(zeroHigh))
            utf16_ = Utf16::BigEndian;
    }
}

void ByteSource::decodeUtf16(const std::string& bytes, std::string& out) {
    out.clear();
    std::string input = oddByte_ + bytes;
    oddByte_.clear();
    if (input.size() % 2) {
        oddByte_ = input.back();
        input.pop_back();
    }
    out.reserve(input.size());
    for (std::size_t i = 0; i < input.size(); i += 2) {
        const unsigned a = static_cast<unsigned char>(input[i]);
        const unsigned b = static_cast<unsigned char>(input[i + 1]);
        const char16_t unit =
            static_cast<char16_t>(utf16_ == Utf16::LittleEndian ? (b << 8 | a) : (a << 8 | b));
        if (highSurrogate_) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                appendUtf8(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00), out);
                highSurrogate_ = 0;
                continue;
            }
            appendUtf8(0xFFFD, out);  // a high surrogate without its partner
            highSurrogate_ = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            highSurrogate_ = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
            appendUtf8(0xFFFD, out);
        else
            appendUtf8(unit, out);
    }
}

bool ByteSource::next(std::string& chunk) {
    std::string& raw = raw_;
    bool got;
    if (firstPending_) {
        raw.swap(first_);
        firstPending_ = false;
        got = !raw.empty();
        if (!got) got = readRaw(raw);
    } else {
        got = readRaw(raw);
    }
    if (!got) {
        chunk.clear();
        if (utf16_ != Utf16::None && (highSurrogate_ || !oddByte_.empty())) {
            highSurrogate_ = 0;
            oddByte_.clear();
            appendUtf8(0xFFFD, chunk);
            return true;
        }
        return false;
    }
    if (utf16_ == Utf16::None)
        chunk.swap(raw);
    else
        decodeUtf16(raw, chunk);
    return true;
}

}  // namespace tessaly
