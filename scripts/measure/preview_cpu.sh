#!/usr/bin/env bash
# Processor time of the main program while the preview plays, under Wine on the session's
# display: first with nothing loaded, then for each 24 fps movie of the list in the 181 x 161
# player area, SECONDS (default 30) each, read from /proc/<pid>/stat of the program's process
# (user + system time, so the engine, the blits and the message loop together; the X server's
# and wineserver's share is not in it). Prints one line per case.
#
# Then the frame timer's drift in the real program: a 24 fps movie longer than the run plays for
# DRIFT seconds (default 60); the frames it advanced, against the wall clock, give how far it
# fell behind or ran ahead. Each reading of the frame costs one driver call, so the figure is
# good to about one frame (42 ms).
#
#   bash scripts/measure/preview_cpu.sh [SECONDS [DRIFT]]
#
# Needs the win32 build (the program, vfs_driver, vfs_view_movie) and the shared corpus.
. "$(dirname "$0")/../../tests/e2e/lib.sh"

RUN=${1:-30}
DRIFT=${2:-60}
EXE=$BIN/VelloryFlashScreensaver.exe
W="title=Vellory Flash Screensaver v1.80"
LIST="id=1013"
VIEW="class=VelloryPlayerView"
OPEN="title=Open,class=#32770"
[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }

CORPUS=
for c in "$ROOT/../shared/corpus" "$ROOT/../../shared/corpus"; do
    [ -d "$c/realworld" ] && CORPUS=$c && break
done
[ -n "$CORPUS" ] || { echo "no corpus"; exit 1; }

MOVIES=$OUT/movies
mkdir -p "$MOVIES"
MOVIES_WIN=$(winepath -w "$MOVIES" 2>/dev/null)
NAMES=(reycrest_services gnash_car_smash ows_banner)
for n in "${NAMES[@]}"; do cp "$CORPUS/realworld/$n/movie.swf" "$MOVIES/$n.swf"; done
timeout 60 wine "$VFS_BUILD/tests/vfs_view_movie.exe" "$MOVIES_WIN\\square.swf" 240 24 || exit 1
NAMES+=(square)
timeout 60 wine "$VFS_BUILD/tests/vfs_view_movie.exe" "$MOVIES_WIN\\long.swf" $((DRIFT * 24 + 600)) 24 || exit 1
PROJ=$OUT/measure.Kvx
for n in "${NAMES[@]}" long; do printf '%s\t1\t01-01-2026\t\r\n' "$MOVIES_WIN\\$n.swf"; done >"$PROJ"

start_app "$EXE"
drv --timeout 20000 wait "$W" >/dev/null || { echo "no main window"; exit 1; }
drv command "$W" 102
drv --timeout 15000 wait "$OPEN" >/dev/null && drv filedialog "$OPEN" "$(winepath -w "$PROJ")"
drv --timeout 10000 gone "$OPEN" || exit 1
xdotool mousemove 1000 700

# The Linux process of the program: the child of the timeout that start_app runs it under.
PID=$(pgrep -P "$APP_PID" | head -n 1)
[ -n "$PID" ] || { echo "program process not found"; exit 1; }
TICK=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$PID/stat"; }

measure() {
    local label=$1 c0 c1 t0 t1 f0 f1
    c0=$(cpu_ticks)
    t0=$(date +%s%N)
    f0=$(drv send "$W" "$VIEW" 0x6A0)
    sleep "$RUN"
    f1=$(drv send "$W" "$VIEW" 0x6A0)
    c1=$(cpu_ticks)
    t1=$(date +%s%N)
    awk -v l="$label" -v c=$((c1 - c0)) -v hz="$TICK" -v ns=$((t1 - t0)) -v f0="$f0" -v f1="$f1" \
        'BEGIN { ms = c * 1000 / hz; s = ns / 1e9
                 printf "%-20s cpu %6.0f ms in %5.1f s = %5.2f %% of one core (frame %s -> %s)\n", l, ms, s, ms / 10 / s, f0, f1 }'
}

echo "preview CPU under Wine, ${RUN} s per case, pid $PID"
measure "nothing loaded"
i=0
for n in "${NAMES[@]}"; do
    drv select "$W" "$LIST" "$i"
    drv command "$W" 123  # Play Selected File
    sleep 2
    measure "$n"
    drv click "$W" "text=Stop"
    i=$((i + 1))
done
# Drift: the frame and the time around its reading, at the start and after DRIFT seconds.
read_frame() {
    local a b f
    a=$(date +%s%N)
    f=$(drv send "$W" "$VIEW" 0x6A0)
    b=$(date +%s%N)
    echo "$f $(((a + b) / 2))"
}
drv select "$W" "$LIST" "$i"
drv command "$W" 123
sleep 2
read -r F0 T0 <<<"$(read_frame)"
sleep "$DRIFT"
read -r F1 T1 <<<"$(read_frame)"
awk -v f=$((F1 - F0)) -v ns=$((T1 - T0)) 'BEGIN { s = ns / 1e9; e = s * 24
    printf "timer drift          %d frames in %.2f s, %.1f expected at 24 fps: %+.0f ms\n", f, s, e, (e - f) * 1000 / 24 }'

drv close "$W"
wait_exit "$APP_PID" 10
