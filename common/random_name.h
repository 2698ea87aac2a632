#pragma once
// Names for temporary files that another user who can write the folder
// cannot guess, and so cannot take first.

#include <string>

namespace tessaly {

// 16 hexadecimal digits of 64 random bits (from the kernel's generator; a
// mix of the process id, a counter and the time should it fail).
std::string randomHex64();

}  // namespace tessaly
