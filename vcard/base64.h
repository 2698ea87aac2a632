#pragma once
// Base64 text to bytes, for the pictures of cards.

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// Decodes standard Base64 (RFC 4648 alphabet, "=" padding). Spaces, tabs, line
// feeds and CR LF pairs are ignored. The text is taken in groups of four; a
// short last group is completed with zero values and gives three bytes, and each
// "=" in a group drops one byte from the group's end, so "QQ" gives 41 00 00 and
// "QQ=Q" gives 41 00. Returns nothing when the text holds a character outside
// the alphabet (a lone CR included) or a group of four "=".
std::optional<std::string> Base64Decode(std::string_view base64String);

}  // namespace tessaly
