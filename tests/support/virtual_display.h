#pragma once
// The window started the way a desktop starts it, on a virtual X server (Xvfb),
// for the tests of installed programs.

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace tessaly::testing {

// Starts Xvfb on a display free by its lock file and its socket names, then
// `program` with `source` as its one argument, and waits up to ten seconds for
// a window titled "Tessaly v3.7".
// The result's `out` is "window: EXECUTABLE\n", naming the executable of the
// process that shows it, or "no window\n"; its `err` is the program's standard
// error. The program and Xvfb are ended before it returns.
CommandResult startWindowOnVirtualDisplay(const std::filesystem::path& program, const std::string& source);

}  // namespace tessaly::testing
