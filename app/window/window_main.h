#pragma once
// Opens the window and runs its event loop until it is closed.

#include <string>

namespace tessaly {

// `source`: a file or folder chosen before the window opens, or "".
int runWindow(int argc, char** argv, const std::string& source);

}  // namespace tessaly
