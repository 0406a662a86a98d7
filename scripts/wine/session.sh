#!/usr/bin/env bash
# One wine session for the Windows-side tests: a win32 prefix under the build folder, the
# project's registry settings, its own Xvfb when DISPLAY is unset, and a warm wineserver.
#   session.sh start   set up (idempotent; safe to call from parallel tests)
#   session.sh stop    end the wineserver and the Xvfb this session started
#   session.sh env     print the variables to eval in a shell
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"
mkdir -p "$VFS_WINE_STATE"

start_xvfb() {
  local fdfile="$VFS_WINE_STATE/xdisplay.tmp"
  rm -f "$fdfile"
  # -displayfd picks a free display and reports it once the server is ready.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$fdfile" >"$VFS_WINE_STATE/xvfb.log" 2>&1 </dev/null &
  echo $! >"$VFS_WINE_STATE/xvfb.pid"
  for _ in $(seq 200); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  [ -s "$fdfile" ] || { echo "session: Xvfb did not start (see $VFS_WINE_STATE/xvfb.log)" >&2; return 1; }
  echo ":$(tr -d '\n' <"$fdfile")" >"$VFS_WINE_STATE/display"
  rm -f "$fdfile"
}

xvfb_alive() {
  [ -s "$VFS_WINE_STATE/xvfb.pid" ] && kill -0 "$(cat "$VFS_WINE_STATE/xvfb.pid")" 2>/dev/null
}

write_registry() {
  local browser="$VFS_WINE_STATE/fakebrowser.sh"
  cat >"$browser" <<BR
#!/bin/sh
# Stands in for a web browser: records the address it was asked to open.
echo "\$*" >>"$VFS_WINE_STATE/browser.log"
BR
  chmod +x "$browser"
  cat >"$VFS_WINE_STATE/settings.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"
[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"SimSun"="WenQuanYi Micro Hei"
[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="$browser"
[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000
[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32]
REG
}

do_start() {
  if [ -n "${DISPLAY:-}" ] && { [ ! -s "$VFS_WINE_STATE/xvfb.pid" ] || xvfb_alive; }; then
    # A display is there already: ours from an earlier start, or the caller's.
    [ -s "$VFS_WINE_STATE/display" ] || echo "$DISPLAY" >"$VFS_WINE_STATE/display"
  else
    rm -f "$VFS_WINE_STATE/display" "$VFS_WINE_STATE/xvfb.pid"
    start_xvfb
  fi
  export DISPLAY=$(cat "$VFS_WINE_STATE/display")
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "session: creating wine prefix $WINEPREFIX" >&2
    timeout 300 wineboot -i >"$VFS_WINE_STATE/wineboot.log" 2>&1 </dev/null
  fi
  # A persistent server keeps later wine calls fast; stop ends it.
  timeout 30 wineserver -p >/dev/null 2>&1 </dev/null || true
  if [ ! -f "$VFS_WINE_STATE/registry.done" ]; then
    write_registry
    timeout 120 wine regedit /S "$(winepath -w "$VFS_WINE_STATE/settings.reg" 2>/dev/null)" \
      >"$VFS_WINE_STATE/regedit.log" 2>&1 </dev/null
    touch "$VFS_WINE_STATE/registry.done"
  fi
  touch "$VFS_WINE_STATE/started"
}

do_stop() {
  timeout 20 wineserver -k >/dev/null 2>&1 </dev/null || true
  timeout 20 wineserver -w >/dev/null 2>&1 </dev/null || true
  if [ -s "$VFS_WINE_STATE/xvfb.pid" ]; then
    kill "$(cat "$VFS_WINE_STATE/xvfb.pid")" 2>/dev/null || true
    rm -f "$VFS_WINE_STATE/xvfb.pid" "$VFS_WINE_STATE/display"
  fi
  rm -f "$VFS_WINE_STATE/started" "$VFS_WINE_STATE/registry.done"
}

# The lock is taken with flock -o, so no program started while holding it (Xvfb, wineserver,
# wine's services) inherits the lock descriptor and keeps the lock after this script ends.
lock() { flock -o "$VFS_WINE_STATE/lock" "${BASH_SOURCE[0]}" "$@"; }

case "${1:-}" in
  start) lock _start ;;
  stop) lock _stop ;;
  _start) do_start ;;
  _stop) do_stop ;;
  env)
    echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=win32 WINEDEBUG='$WINEDEBUG' DISPLAY='${DISPLAY:-}' VFS_WINE_STATE='$VFS_WINE_STATE'"
    ;;
  *)
    echo "usage: session.sh start|stop|env" >&2
    exit 2
    ;;
esac
