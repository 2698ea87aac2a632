#pragma once
// The type of a picture, told from its first bytes (the name of a picture
// file says nothing: the reader names every one ".gif").

#include <string>
#include <string_view>

namespace tessaly::outlook {

// "image/jpeg", "image/png", "image/gif", "image/bmp", "image/tiff",
// "image/webp", or "application/octet-stream" for anything else.
std::string pictureMimeType(std::string_view bytes);

}  // namespace tessaly::outlook
