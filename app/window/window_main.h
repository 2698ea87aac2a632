#pragma once
// Opens the window and runs its event loop until it is closed.

#include <string>

namespace tessaly {

// True when there is a display to open a window on (an X or Wayland display,
// or a Qt platform named in QT_QPA_PLATFORM).
bool displayAvailable();

// `source`: a file or folder chosen before the window opens, or "".
int runWindow(int argc, char** argv, const std::string& source);

}  // namespace tessaly
