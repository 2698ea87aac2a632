#pragma once
// The message a run shows when the store session cannot be set up.

#include <string>

namespace tessaly {

// Its lines, joined by CR LF: the session failure's own first line, the cause
// (which names the file or folder), then where the README's troubleshooting
// section is.
std::string storeSessionFailureText(const std::string& cause);

}  // namespace tessaly
