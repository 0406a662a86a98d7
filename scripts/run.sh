#!/usr/bin/env bash
# Sets up, builds and starts the main program. On Linux it runs under Wine on the current X
# display, with a wine prefix of its own under build/win32/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc 2>/dev/null || echo 2)"

exe="$root/build/win32/bin/VelloryFlashScreensaver.exe"
if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MSG
run: there is no X display (DISPLAY is unset), so the window cannot be shown.
Run it from a desktop session, or over "ssh -X", where DISPLAY is set. On a machine with no
screen, start a virtual display and look at it with a VNC viewer, for example:
  Xvfb :5 -screen 0 1280x1024x24 & x11vnc -display :5 &     (then connect a viewer to port 5900)
  DISPLAY=:5 bash scripts/run.sh
The program was built: $exe
MSG
  exit 1
fi

export WINEPREFIX="$root/build/win32/wine-user" WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: creating the wine prefix (once, about 10 seconds)" >&2
  wineboot -i >/dev/null 2>&1 || true
fi
exec wine "$exe"
