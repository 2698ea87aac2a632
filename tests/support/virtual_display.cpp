#include "support/virtual_display.h"

namespace tessaly::testing {

namespace {

// `$1` is the program, `$2` its source. Xvfb writes the display it took to
// descriptor 3; the window is looked for by its title in the X server's tree.
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

}  // namespace

CommandResult startWindowOnVirtualDisplay(const std::filesystem::path& program, const std::string& source) {
    return runCommand("sh -c " + shellQuote(kStartWindow) + " start-window " + shellQuote(program.string()) + " " +
                      shellQuote(source));
}

}  // namespace tessaly::testing
