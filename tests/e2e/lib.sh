# Helpers for the end-to-end scripts. Source it; it joins (or starts) the wine session, and
# counts checks. Every wait polls a condition until a deadline; nothing sleeps a fixed time.
#
#   check "what" COMMAND...        pass when COMMAND succeeds
#   check_eq "what" EXPECTED ACTUAL
#   drv ARGS...                    run vfs_driver (UTF-8 output, CR stripped)
#   start_app EXE [ARGS...]        start a Windows program in the background; sets APP_PID
#   wait_exit PID SECONDS          wait until a process has ended
#   shot WINDOW-XID FILE           screenshot of one X window (or "root")
#   finish                         print the summary line and exit with its status

set -uo pipefail
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$E2E_DIR/../.." && pwd)
: "${VFS_BUILD:=$ROOT/build/win32}"
export VFS_WINE_STATE=${VFS_WINE_STATE:-$VFS_BUILD/wine}
"$ROOT/scripts/wine/session.sh" start || { echo "e2e: no wine session" >&2; exit 1; }
. "$ROOT/scripts/wine/env.sh"

BIN=$VFS_BUILD/bin
DRIVER=$VFS_BUILD/tests/vfs_driver.exe
NAME=$(basename "${BASH_SOURCE[1]:-e2e}" .sh)
OUT=$VFS_BUILD/e2e-out/$NAME
rm -rf "$OUT"
mkdir -p "$OUT"
PASSED=0
FAILED=0
APP_PIDS=()

log() { printf '%s\n' "$*" >&2; }

check() {
    local what=$1
    shift
    if "$@" >>"$OUT/checks.log" 2>&1; then
        PASSED=$((PASSED + 1))
        echo "ok   $what"
    else
        FAILED=$((FAILED + 1))
        echo "FAIL $what"
    fi
}

check_eq() {
    local what=$1 want=$2 got=$3
    if [ "$want" == "$got" ]; then
        PASSED=$((PASSED + 1))
        echo "ok   $what"
    else
        FAILED=$((FAILED + 1))
        echo "FAIL $what"
        printf '     want: %s\n     got:  %s\n' "$want" "$got"
    fi
}

drv() {
    timeout 60 wine "$DRIVER" "$@" </dev/null 2>>"$OUT/driver.err" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

start_app() {
    local exe=$1
    shift
    timeout --kill-after=5 300 wine "$exe" "$@" </dev/null >>"$OUT/app.out" 2>&1 &
    APP_PID=$!
    APP_PIDS+=("$APP_PID")
}

# Waits until the process has ended; succeeds when it did within the time.
wait_exit() {
    local pid=$1 secs=$2
    local end=$(($(date +%s%N) + secs * 1000000000))
    while kill -0 "$pid" 2>/dev/null; do
        [ "$(date +%s%N)" -lt "$end" ] || return 1
        sleep 0.02
    done
    wait "$pid" 2>/dev/null
    return 0
}

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Polls a command until it succeeds or SECONDS pass.
wait_for() {
    local secs=$1
    shift
    local end=$(($(date +%s%N) + secs * 1000000000))
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s%N)" -lt "$end" ] || return 1
        sleep 0.05
    done
}

# The X window id of a top-level Wine window, by its exact title.
xid_of() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1; }

shot() {
    local win=$1 file=$2
    # Without a window import would wait for one to be picked with the mouse.
    if [ -z "$win" ]; then
        echo "shot: no window for $file" >>"$OUT/shot.err"
        return 1
    fi
    if [ "$win" = root ]; then
        import -window root "$file" 2>>"$OUT/shot.err"
    else
        import -window "$win" "$file" 2>>"$OUT/shot.err"
    fi
}

cleanup_apps() {
    local p
    for p in ${APP_PIDS[@]+"${APP_PIDS[@]}"}; do
        kill "$p" 2>/dev/null
    done
}
trap cleanup_apps EXIT

finish() {
    echo "$NAME: $PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
    exit $?
}
