#pragma once
// The bytes of a vCard file as UTF-8, read in chunks. A UTF-8 byte-order mark is
// dropped; a file that is UTF-16 (by its byte-order mark, or by a zero in every
// other byte of its first lines) is decoded from UTF-16 on the fly.

#include <cstdio>
#include <string>

namespace tessaly {

class ByteSource {
public:
    // Opens the file; throws VcardReadError when it cannot be opened or read.
    explicit ByteSource(const std::string& path);
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Replaces `chunk` with the next bytes; false at the end of the file.
    bool next(std::string& chunk);

    // True when the file was decoded from UTF-16 (its character-set labels are
    // then meaningless).
    bool decodedFromUtf16() const { return utf16_ != Utf16::None; }

private:
    enum class Utf16 { None, LittleEndian, BigEndian };

    bool readRaw(std::string& bytes);
    void detectEncoding();
    void decodeUtf16(const std::string& bytes, std::string& out);

    std::string path_;
    std::FILE* file_ = nullptr;
    Utf16 utf16_ = Utf16::None;
    std::string raw_;            // the bytes as read, before any decoding
    std::string first_;          // the first chunk, held back while detecting
    bool firstPending_ = false;
    std::string oddByte_;        // a byte of a UTF-16 unit cut by a chunk end
    char16_t highSurrogate_ = 0; // a surrogate pair cut by a chunk end
};

}  // namespace tessaly
