#pragma once
// Windows-1252, the single-byte code page of the worksheet and the fallback for
// vCard text that is not valid UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly {

// Appends the UTF-8 form of Windows-1252 bytes. The five bytes that code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control of the
// same number, as Windows itself maps them, so no byte is lost.
void appendWindows1252AsUtf8(std::string_view bytes, std::string& out);

// Converts UTF-8 text to Windows-1252, one byte per character. A character the
// code page lacks, and any invalid UTF-8 byte, becomes '?'; `replaced` counts
// those characters.
std::string utf8ToWindows1252(std::string_view text, std::size_t& replaced);

// The same, appended to `out`: a caller that converts many texts keeps one
// string and its room.
void appendUtf8AsWindows1252(std::string_view text, std::string& out, std::size_t& replaced);

}  // namespace tessaly
