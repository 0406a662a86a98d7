#!/usr/bin/env bash
# The screensaver runtime as Windows starts it: a saver file made of the padded runtime image and
# a movie in the saver layout, run with /p (ends at once, writes nothing), /s, /c, /c:hwnd and no
# argument (full screen, cursor hidden, the label at the top, the temporary files exactly as laid
# out), ended by real input through xdotool: a mouse move, Shift alone, Escape; a click without
# movement does not end it. A saver of a real movie shows the movie's pixels below the label,
# played to its last frame (Loop off), and still ends on a mouse move and a key press.
. "$(dirname "$0")/lib.sh"

IMAGE=$VFS_BUILD/saver_image.bin
[ -f "$IMAGE" ] || { echo "missing $IMAGE"; exit 1; }
HEADER=$(sed -n 's/.*kSaverHeaderSize = \([0-9]*\);.*/\1/p' "$ROOT/builders/saver_layout.h")
W="class=VellorySaverForm1"

TEMP_WIN=$(timeout 60 wine cmd /c 'echo %TEMP%' </dev/null 2>/dev/null | tr -d '\r')
TEMP_DIR=$(winepath -u "$TEMP_WIN" 2>/dev/null)
TEMP_DIR=${TEMP_DIR%/}
check "temporary folder found" test -d "$TEMP_DIR"
DRIVE_ROOT=$(winepath -u "${TEMP_WIN:0:3}" 2>/dev/null)

WORK=$OUT/savers
mkdir -p "$WORK"
TRACE=$WORK/trace.txt
TRACE_WIN=$(winepath -w "$TRACE" 2>/dev/null)

# A movie with bytes of every value, a NUL-heavy tail and no trailing zero of its own.
MOVIE=$WORK/movie.swf
{ printf 'FWS\x06'; for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")"; done; printf '\0\0\0tail'; } >"$MOVIE"
N=$(stat -c %s "$MOVIE")

# The saver layout: image bytes 0..HEADER-2, the movie from HEADER-1, one zero byte.
make_saver() {
    { head -c $((HEADER - 1)) "$IMAGE"; cat "$1"; printf '\0'; } >"$2"
}
SAVER=$WORK/intro.scr
make_saver "$MOVIE" "$SAVER"
check_eq "saver file length is header + N" $((HEADER + N)) "$(stat -c %s "$SAVER")"

clear_temp() { rm -f "$TEMP_DIR/gtswf.tmp" "$TEMP_DIR/kpl1.swf" "$DRIVE_ROOT/gtswf.tmp" "$DRIVE_ROOT/kpl1.swf"; }
trace_has() { tr -d '\r' <"$TRACE" | grep -qx "$1"; }

# Starts a saver with the cursor parked at a known spot; waits until its start-up has finished.
start_saver() {
    local file=$1
    shift
    clear_temp
    : >"$TRACE"
    xdotool mousemove 400 300
    VFS_TRACE=$TRACE_WIN start_app "$file" "$@"
    wait_for 20 trace_has ready
}

# Everything a shown saver must have done; $1 names the case.
check_shown() {
    local what=$1 saver=$2 movie=$3
    check "$what: temporary copy equals the saver file" cmp "$TEMP_DIR/gtswf.tmp" "$saver"
    check "$what: kpl1.swf equals the movie" cmp "$TEMP_DIR/kpl1.swf" "$movie"
    check "$what: nothing written in the drive root" test ! -e "$DRIVE_ROOT/kpl1.swf" -a ! -e "$DRIVE_ROOT/gtswf.tmp"
    check "$what: cursor hidden" trace_has "ShowCursor -1"
    check "$what: keyboard hook installed" trace_has "hook 1"
    check_eq "$what: window covers the screen" "0 0 1024 768" "$(drv rect "$W")"
    local ex
    ex=$(drv info "$W" | cut -f10)
    check "$what: topmost" test $((ex & 0x8)) -ne 0
}

# The label: dark red text in the top strip (255 twips = 17 pixels at 96 dpi), none below it.
check_label() {
    local what=$1 shotfile=$2
    local top below
    top=$(convert "$shotfile" -crop 1024x17+0+0 +repage -format %c histogram:info:- | grep -c '#C00000')
    below=$(convert "$shotfile" -crop 1024x751+0+17 +repage -format %c histogram:info:- | grep -c '#C00000')
    check "$what: label text in dark red at the top left" test "$top" -ge 1
    check "$what: nothing red below the label strip" test "$below" -eq 0
    local left right
    left=$(convert "$shotfile" -crop 200x17+0+0 +repage -format %c histogram:info:- | grep -c '#C00000')
    right=$(convert "$shotfile" -crop 624x17+400+0 +repage -format %c histogram:info:- | grep -c '#C00000')
    check "$what: the text starts at the left edge" test "$left" -ge 1 -a "$right" -eq 0
    # The movie of bytes of every value parses as an empty movie: the engine shows its stage in
    # the default background, white.
    check_eq "$what: movie area shows the empty stage" "srgb(255,255,255)" "$(convert "$shotfile" -format '%[pixel:p{512,400}]' info:)"
}

# Ends the running saver with INPUT (a shell command) and checks it ends within a second, through
# the close routine (or, for Escape, the window's own key handler), with the cursor shown again.
end_with() {
    local what=$1 how=closed
    shift
    [ "$*" = "xdotool key Escape" ] && how=escape
    local t0
    t0=$(now_ms)
    "$@"
    check "$what ends the saver within a second" wait_exit "$APP_PID" 1
    echo "     $what: $(($(now_ms) - t0)) ms"
    check "$what: ended through '$how'" trace_has "$how"
    check "$what: cursor shown again" trace_has "ShowCursor 0"
}

# --- /p: ends at once, shows and writes nothing ---------------------------------------------------
for arg in "/p 1234" "/P" "/p"; do
    clear_temp
    : >"$TRACE"
    t0=$(now_ms)
    # shellcheck disable=SC2086
    VFS_TRACE=$TRACE_WIN start_app "$SAVER" $arg
    check "'$arg' ends at once" wait_exit "$APP_PID" 5
    echo "     '$arg': $(($(now_ms) - t0)) ms"
    check "'$arg' writes no temporary file" test ! -e "$TEMP_DIR/gtswf.tmp" -a ! -e "$TEMP_DIR/kpl1.swf"
    check "'$arg' shows nothing" test ! -s "$TRACE"
done

# --- /s: shown; a mouse move ends it -----------------------------------------------------------
check "/s starts" start_saver "$SAVER" /s
check_shown "/s" "$SAVER" "$MOVIE"
shot root "$OUT/saver_s.png"
check_label "/s" "$OUT/saver_s.png"
t0=$(now_ms)
xdotool click 1
sleep 0.7  # more than two Timer2 periods: a click alone must not end it
check "a click without movement does not end it" kill -0 "$APP_PID"
end_with "mouse move by one pixel" xdotool mousemove 401 300

# --- /c: shown (no settings dialog); Shift alone ends it -------------------------------------------
check "/c starts" start_saver "$SAVER" /c
check_shown "/c" "$SAVER" "$MOVIE"
check_eq "/c opens no other window" 1 "$(drv count "title=VellorySaver")"
end_with "Shift key" xdotool key shift

# --- /c:hwnd and no argument; Escape ---------------------------------------------------------
check "/c:1234 starts" start_saver "$SAVER" /c:1234
check_shown "/c:1234" "$SAVER" "$MOVIE"
end_with "Escape key" xdotool key Escape

check "no argument starts" start_saver "$SAVER"
check_shown "no argument" "$SAVER" "$MOVIE"
shot root "$OUT/saver_noarg.png"
check_label "no argument" "$OUT/saver_noarg.png"
end_with "key x" xdotool key x

# --- The own file is found by the module path: another extension, another case ----------------
SHORT=$WORK/short.swf
printf 'FWS\x01' >"$SHORT"
RENAMED=$WORK/Renamed.SCR.exe
make_saver "$SHORT" "$RENAMED"
check "renamed saver starts" start_saver "$RENAMED" /s
check "renamed saver: kpl1.swf is its movie, of the new length" cmp "$TEMP_DIR/kpl1.swf" "$SHORT"
check "renamed saver: copy is the renamed file" cmp "$TEMP_DIR/gtswf.tmp" "$RENAMED"
end_with "mouse move" xdotool mousemove 10 10

# --- A saver without a movie: shown, empty kpl1.swf -------------------------------------------
EMPTY=$WORK/empty.scr
make_saver /dev/null "$EMPTY"
check_eq "empty saver is exactly the header" "$HEADER" "$(stat -c %s "$EMPTY")"
check "empty saver starts" start_saver "$EMPTY" /s
check_eq "empty saver: kpl1.swf is empty" 0 "$(stat -c %s "$TEMP_DIR/kpl1.swf")"
check "empty saver: no movie for the engine" trace_has "player 0"
shot root "$OUT/saver_empty.png"
check_eq "empty saver: movie area black" "srgb(0,0,0)" "$(convert "$OUT/saver_empty.png" -format '%[pixel:p{512,400}]' info:)"
end_with "mouse move" xdotool mousemove 20 20
check "temporary files stay on disk after the end" test -e "$TEMP_DIR/gtswf.tmp" -a -e "$TEMP_DIR/kpl1.swf"

# --- A real movie: played by the engine ShowAll below the label, stopping on its last frame ------
# 100x100 stage, blue background, a red 40x40 square: centred in frame 1, top-left in frame 2,
# bottom-right in frame 3 (12 fps). The movie area (1024x751 from y 17) shows the stage 751
# pixels high from x 136, with blue bars in the background colour on both sides.
REAL=$WORK/real.swf
check "test movie written" timeout 60 wine "$VFS_BUILD/tests/vfs_view_movie.exe" "$(winepath -w "$REAL")" 3 12
REALSAVER=$WORK/real.scr
make_saver "$REAL" "$REALSAVER"
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }
check "real movie saver starts" start_saver "$REALSAVER" /s
check_shown "real movie" "$REALSAVER" "$REAL"
check "real movie: the engine loaded it" trace_has "player 1"
echo "     real movie: first-frame $(tr -d '\r' <"$TRACE" | sed -n 's/^first-frame //p') ms after process start"
sleep 0.6  # three frames at 12 fps are 250 ms: the movie is on its last frame
shot root "$OUT/saver_real.png"
check_eq "real movie: the square on the last frame (bottom right of the stage)" "srgb(255,0,0)" "$(pixel "$OUT/saver_real.png" 800 690)"
check_eq "real movie: stage background where the square was in frame 1" "srgb(0,0,255)" "$(pixel "$OUT/saver_real.png" 512 392)"
check_eq "real movie: letterbox bar in the background colour" "srgb(0,0,255)" "$(pixel "$OUT/saver_real.png" 60 400)"
check_eq "real movie: stage top row just below the label" "srgb(0,0,255)" "$(pixel "$OUT/saver_real.png" 512 18)"
top=$(convert "$OUT/saver_real.png" -crop 1024x17+0+0 +repage -format %c histogram:info:- | grep -c '#C00000')
check "real movie: the label still stands above the movie" test "$top" -ge 1
sleep 0.4
shot root "$OUT/saver_real_later.png"
check "real movie: Loop off, the picture stays on the last frame" \
    compare -metric AE "$OUT/saver_real.png" "$OUT/saver_real_later.png" null:
end_with "real movie: mouse move" xdotool mousemove 402 300
check "real movie saver starts again" start_saver "$REALSAVER" /s
end_with "real movie: key press" xdotool key x

# --- A 10 MB movie: extracted exactly; start-up figures (measured, not timed) -------------------
BIG=$WORK/big.swf
head -c $((10 * 1024 * 1024)) /dev/urandom >"$BIG"
BIGSAVER=$WORK/big.scr
make_saver "$BIG" "$BIGSAVER"
t0=$(now_ms)
check "10 MB saver starts" start_saver "$BIGSAVER" /s
echo "     10 MB saver: $(($(now_ms) - t0)) ms from launch to ready, as seen from the shell"
check "10 MB saver: kpl1.swf equals the movie" cmp "$TEMP_DIR/kpl1.swf" "$BIG"
for f in startup_ms since_process_start_ms peak_working_set_kb peak_private_kb; do
    echo "     10 MB saver: $f $(tr -d '\r' <"$TRACE" | sed -n "s/^$f //p")"
done
end_with "mouse move" xdotool mousemove 30 30
rm -f "$BIG" "$BIGSAVER"

# --- A 10 MB movie the engine plays: time to its first drawn frame (measured, not timed) --------
BIG=$WORK/big_real.swf
check "10 MB test movie written" timeout 120 wine "$VFS_BUILD/tests/vfs_view_movie.exe" "$(winepath -w "$BIG")" big
BIGSAVER=$WORK/big_real.scr
make_saver "$BIG" "$BIGSAVER"
check "10 MB real movie saver starts" start_saver "$BIGSAVER" /s
check "10 MB real movie: the engine loaded it" trace_has "player 1"
echo "     10 MB real movie ($(stat -c %s "$BIG") bytes): first-frame $(tr -d '\r' <"$TRACE" | sed -n 's/^first-frame //p') ms after process start"
for f in extracted startup_ms peak_working_set_kb peak_private_kb; do
    echo "     10 MB real movie: $f $(tr -d '\r' <"$TRACE" | sed -n "s/^$f //p")"
done
shot root "$OUT/saver_big_real.png"
check_eq "10 MB real movie: the square centred on top" "srgb(255,0,0)" "$(pixel "$OUT/saver_big_real.png" 512 392)"
end_with "10 MB real movie: key press" xdotool key x
rm -f "$BIG" "$BIGSAVER"

finish
