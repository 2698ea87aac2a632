#include "support/virtual_display.h"

namespace tessaly::testing {

namespace {

// `$1` is the program, `$2` its source. The display is picked at random
// above the low numbers other X servers take, and skipped where a lock file
// or a listening socket of that name already exists: an X client tries the
// socket's abstract name first, and that name is shared by everything in the
// network namespace, beyond this test's /tmp, so a display that is free by
// its lock file alone can still lead the program to another server or to a
// refusal ("could not connect to display :0"). Xvfb writes the display to
// descriptor 3 once it listens; a display taken meanwhile is given up for
// another. The server is waited for on exit, so that no dying server is left
// holding its display for the next test.
const char* const kStartWindow = R"sh(
work=$(mktemp -d)
app=
xvfb=
trap 'kill $app $xvfb 2>/dev/null; [ -n "$xvfb" ] && wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 8); do
  n=$(( $(od -An -N2 -tu2 /dev/urandom) % 900 + 100 ))
  [ -e "/tmp/.X$n-lock" ] && continue
  grep -q "/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
  Xvfb ":$n" -displayfd 3 -screen 0 1024x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] && break
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; xvfb=
done
[ -n "$xvfb" ] || { echo "no window"; echo "no free display for Xvfb" >&2; exit 0; }
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
