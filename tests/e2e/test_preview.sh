#!/usr/bin/env bash
# The preview as a user works it: a real double click on a row shows the movie in the player
# area (a screenshot of the area is no longer one colour), Pause holds the frame and Play goes
# on from it, Stop then Play after a Pause goes on from the paused frame too, Ctrl+P loads the
# selected row and a following Play jumps to the paused frame inside it, after Clear All Play
# does nothing while the player keeps its movie, and a corpus movie (a 24 fps site page) plays.
# The player view answers two messages with its frame (from 0) and whether it plays.
. "$(dirname "$0")/lib.sh"

EXE=$BIN/VelloryFlashScreensaver.exe
W="title=Vellory Flash Screensaver v1.80"
LIST="id=1013"
VIEW="class=VelloryPlayerView"
OPEN="title=Open,class=#32770"
BOX="title=Vellory Flash Screensaver,class=#32770"
MSG_FRAMENUM=0x6A0
MSG_PLAYING=0x6A1
[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }

MOVIES=$OUT/movies
mkdir -p "$MOVIES"
MOVIES_WIN=$(winepath -w "$MOVIES" 2>/dev/null)
# Slow movies (2 fps), so that a frame outlasts a driver call: the red square moves every frame.
check "first movie written" timeout 60 wine "$VFS_BUILD/tests/vfs_view_movie.exe" "$MOVIES_WIN\\first.swf" 400 2
check "second movie written" timeout 60 wine "$VFS_BUILD/tests/vfs_view_movie.exe" "$MOVIES_WIN\\second.swf" 300 2
# The shared corpus beside the source tree, or one level further up (a worktree in a folder).
HAVE_CORPUS=0
for CORPUS_MOVIE in "$ROOT"/../shared/corpus/realworld/reycrest_services/movie.swf \
    "$ROOT"/../../shared/corpus/realworld/reycrest_services/movie.swf; do
    [ -f "$CORPUS_MOVIE" ] && break
done
if [ -f "$CORPUS_MOVIE" ]; then
    cp "$CORPUS_MOVIE" "$MOVIES/reel.swf"
    HAVE_CORPUS=1
fi

# The rows come from a project file: one tab-separated CR LF line per row.
PROJ=$OUT/preview.Kvx
PROJ_WIN=$(winepath -w "$PROJ" 2>/dev/null)
{
    printf '%s\t1\t01-01-2026\t\r\n' "$MOVIES_WIN\\first.swf" "$MOVIES_WIN\\second.swf"
    [ "$HAVE_CORPUS" = 1 ] && printf '%s\t1\t01-01-2026\t\r\n' "$MOVIES_WIN\\reel.swf"
} >"$PROJ"

frame() { drv send "$W" "$VIEW" "$MSG_FRAMENUM"; }
playing() { drv send "$W" "$VIEW" "$MSG_PLAYING"; }
frame_at_least() { [ "$(frame)" -ge "$1" ]; }
is_playing() { [ "$(playing)" = "$1" ]; }
# Within LOW..HIGH.
between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

# A screenshot of the player area; prints the per mille of its pixels that have its most
# common colour (1000: one colour; a stray pixel or two of another window stay above 980).
area_share() {
    local L T R B
    read -r L T R B <<<"$(drv screenrect "$W" "$VIEW")"
    import -window root -crop "$((R - L))x$((B - T))+$L+$T" +repage "$1" 2>>"$OUT/shot.err" || { echo 0; return; }
    convert "$1" -format %c histogram:info:- 2>/dev/null |
        awk -v n=$(((R - L) * (B - T))) '{ c = $1 + 0; if (c > m) m = c } END { print n ? int(m * 1000 / n) : 0 }'
}
one_colour() { [ "$(area_share "$1")" -ge 980 ]; }
shows_movie() { [ "$(area_share "$1")" -lt 980 ]; }

pick() {
    drv --timeout 15000 wait "$1" >/dev/null || return 1
    drv filedialog "$1" "$2"
    drv --timeout 10000 gone "$1"
}

pushd "$OUT" >/dev/null
start_app "$EXE"
popd >/dev/null
check "main window opens" drv --timeout 20000 wait "$W"
check "the player view is there" drv --timeout 5000 screenrect "$W" "$VIEW"
read -r L T R B <<<"$(drv screenrect "$W" "$VIEW")"
check_eq "the player area is 181 x 161" "181 161" "$((R - L)) $((B - T))"
xdotool mousemove 1000 700  # the pointer and its tooltips away from the window
check "nothing loaded: the area is one colour" one_colour "$OUT/empty.png"
check_eq "nothing loaded: frame 0" 0 "$(frame)"

drv command "$W" 102  # File > Open
check "project opened" pick "$OPEN" "$PROJ_WIN"
check "rows listed" wait_for 5 test "$(drv rows "$W" "$LIST" | grep -c .)" -ge 2

# --- A real double click on the first row ------------------------------------------------------
drv select "$W" "$LIST" 0
read -r RL RT RR RB <<<"$(drv screenrect "$W" "$LIST" 0)"
xdotool mousemove $((RL + 40)) $(((RT + RB) / 2)) click --repeat 2 --delay 60 1
check "double click: the movie plays" wait_for 10 is_playing 1
check "double click: frames advance" wait_for 10 frame_at_least 6
check "the area shows the movie (not one colour)" shows_movie "$OUT/playing.png"

# --- Pause, then Play: on from the paused frame ------------------------------------------------
drv click "$W" "text=Pause"
wait_for 5 is_playing 0
P=$(frame)
check "Pause halts" is_playing 0
sleep 1.2  # more than two frame periods: nothing may move
check_eq "Pause holds the frame" "$P" "$(frame)"
drv click "$W" "text=Play"
check "Play after Pause plays" wait_for 5 is_playing 1
drv click "$W" "text=Pause"
wait_for 5 is_playing 0
Q=$(frame)
check "Play after Pause goes on from frame $P (now $Q)" between "$Q" "$P" $((P + 3))

# --- Stop, then Play after a Pause: the paused frame again, not the first ----------------------
wait_for 5 is_playing 0
P2=$(frame)
drv click "$W" "text=Stop"
check "Stop goes to the first frame" wait_for 5 test "$(frame)" = 0
check "Stop halts" is_playing 0
drv click "$W" "text=Play"
check "Play after Stop plays" wait_for 5 is_playing 1
drv click "$W" "text=Pause"
wait_for 5 is_playing 0
Q2=$(frame)
check "Stop then Play goes on from the paused frame $P2 (now $Q2)" between "$Q2" "$P2" $((P2 + 3))

# --- Ctrl+P loads the selected row from its start; Play then jumps to the paused frame ---------
PAUSED=$Q2
drv select "$W" "$LIST" 1
drv focus "$W" >/dev/null
drv keys "$W" "ctrl+p"
check "Ctrl+P loads the second movie from its start" wait_for 5 test "$(frame)" -lt "$PAUSED"
drv click "$W" "text=Play"
check "Play after Ctrl+P plays" wait_for 5 is_playing 1
drv click "$W" "text=Pause"
wait_for 5 is_playing 0
check "Play jumps to the paused frame $PAUSED in the new movie (now $(frame))" between "$(frame)" "$PAUSED" $((PAUSED + 3))

# --- A corpus movie at 24 fps: it moves, nothing is reported -----------------------------------
if [ "$HAVE_CORPUS" = 1 ]; then
    drv select "$W" "$LIST" 2
    drv command "$W" 123  # Action > Play Selected File
    check "corpus movie plays" wait_for 5 is_playing 1
    check "corpus movie advances" wait_for 5 frame_at_least 20
    check "corpus movie shows pictures" shows_movie "$OUT/corpus.png"
    check_eq "no message box" 0 "$(drv count "$BOX")"
    drv click "$W" "text=Pause"
    wait_for 5 is_playing 0
fi

# --- Clear All: Play does nothing, the player keeps its movie ----------------------------------
KEPT=$(frame)
drv command "$W" 113  # Edit > Clear All
check "Clear All empties the list" wait_for 5 test -z "$(drv rows "$W" "$LIST")"
drv click "$W" "text=Play"
sleep 0.6
check "after Clear All, Play does nothing" is_playing 0
check_eq "the player keeps its movie and frame" "$KEPT" "$(frame)"
check "the area still shows the movie" shows_movie "$OUT/kept.png"

drv close "$W"
check "the program ends" wait_exit "$APP_PID" 10
finish
