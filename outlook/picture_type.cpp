#include "outlook/picture_type.h"

namespace tessaly::outlook {

std::string pictureMimeType(std::string_view bytes) {
    const auto startsWith = [&](std::string_view magic, std::size_t at = 0) {
        return bytes.size() >= at + magic.size() && bytes.substr(at, magic.size()) == magic;
    };
    if (startsWith("\xFF\xD8\xFF")) return "image/jpeg";
    if (startsWith("\x89PNG\r\n\x1A\n")) return "image/png";
    if (startsWith("GIF87a") || startsWith("GIF89a")) return "image/gif";
    if (startsWith("BM")) return "image/bmp";
    if (startsWith(std::string_view("II*\0", 4)) || startsWith(std::string_view("MM\0*", 4))) return "image/tiff";
    if (startsWith("RIFF") && startsWith("WEBP", 8)) return "image/webp";
    return "application/octet-stream";
}

}  // namespace tessaly::outlook
