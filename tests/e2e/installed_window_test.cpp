// Tessaly installed into a prefix of the user's choice (`cmake --install
// build --prefix DIR`): `tessaly` from there opens the window from there, on
// a virtual X server.

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::runCommand;
using testing::shellQuote;

// Starts Xvfb on a free display, then `$1` (the program) with `$2` (a
// source), and waits for the window. Prints "window: PROGRAM" with the
// program that shows it, or "no window"; the program's standard error goes
// to standard error.
const char* const kStartWindow = R"sh(
work=$(mktemp -d)
trap 'kill "$app" "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" "$2" 2>"$work/err" &
app=$!
shown=
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Tessaly v3.7"'; then shown=1; break; fi
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$shown" ]; then echo "window: $(readlink "/proc/$app/exe")"; else echo "no window"; fi
cat "$work/err" >&2
)sh";

TEST(InstalledWindow, TessalyFromAnyPrefixStartsTheWindowInstalledBesideIt) {
    testing::TempDir prefix;
    const auto installed = runCommand("cmake --install " + shellQuote(TESSALY_BINARY_DIR) + " --prefix " +
                                      shellQuote(prefix.path().string()));
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
    const fs::path program = prefix.path() / "bin/tessaly";
    const fs::path window = prefix.path() / "libexec/tessaly-window";
    ASSERT_TRUE(fs::exists(program));
    ASSERT_TRUE(fs::exists(window));

    const auto started = runCommand("sh -c " + shellQuote(kStartWindow) + " start-window " +
                                    shellQuote(program.string()) + " " +
                                    shellQuote(TESSALY_SOURCE_DIR "/examples"));
    EXPECT_EQ(started.out, "window: " + window.string() + "\n") << started.err;
}

}  // namespace
}  // namespace tessaly
