#!/usr/bin/env bash
# "Make Saver Now!" as a user runs it: two movies in the list, a folder chosen in the folder
# browser, the saver files compared byte for byte with the layout (the runtime image the program
# carries, the movie from kSaverHeaderSize - 1, one zero byte), the statuses, the progress bar and
# the closing message with its icon; list commands and a second build refused while a run waits
# on its message; a movie without "." stopping the run with "Invalid input file name: "; Ctrl+B;
# a written saver played by the runtime; flashsaver.exe saver writing the same files.
. "$(dirname "$0")/lib.sh"

EXE=$BIN/VelloryFlashScreensaver.exe
IMAGE=$VFS_BUILD/saver_image.bin
W="title=Vellory Flash Screensaver v1.80"
LIST="id=1013"
BOX="title=Vellory Flash Screensaver,class=#32770"
OPEN="title=Open,class=#32770"
BROWSE="title=Browse for Folder,class=#32770"
[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }
[ -f "$IMAGE" ] || { echo "missing $IMAGE"; exit 1; }
HEADER=$(sed -n 's/.*kSaverHeaderSize = \([0-9]*\);.*/\1/p' "$ROOT/builders/saver_layout.h")

TRACE=$OUT/trace.txt
TRACE_WIN=$(winepath -w "$TRACE" 2>/dev/null)
trace_has() { tr -d '\r' <"$TRACE" | grep -qx "$1"; }

MOVIES=$OUT/movies
OUTDIR=$OUT/savers
mkdir -p "$MOVIES" "$OUTDIR"
MOVIES_WIN=$(winepath -w "$MOVIES" 2>/dev/null)
OUTDIR_WIN=$(winepath -w "$OUTDIR" 2>/dev/null)
# A movie with every byte value and no trailing zero of its own, and a larger random one.
{ printf 'FWS\x06'; for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")"; done; printf 'end'; } \
    >"$MOVIES/intro.final.swf"
head -c 300000 /dev/urandom >"$MOVIES/second.swf"
printf 'FWS\x01' >"$MOVIES/noext"
# A name outside the ANSI code page.
printf 'FWS\x08unicode' >"$MOVIES/片头.final.swf"

rows() { drv rows "$W" "$LIST"; }
statuses() { rows | cut -f4 | paste -sd' ' -; }
lookin_is() { [ "$(drv text "$1" "id=1137")" == "$2" ]; }
pick() {
    local dlg=$1 folder=$2 names=$3
    drv --timeout 15000 wait "$dlg" >/dev/null || return 1
    if [ -n "$folder" ]; then
        drv filedialog "$dlg" "$folder"
        wait_for 10 lookin_is "$dlg" "$(basename "$(winepath -u "$folder" 2>/dev/null)")" || return 1
    fi
    drv filedialog "$dlg" "$names"
    drv --timeout 10000 gone "$dlg"
}

# The saver layout, made independently of the program.
expected_saver() {
    { head -c $((HEADER - 1)) "$IMAGE"; cat "$1"; printf '\0'; } >"$2"
}

# How many pixels of the message box's icon are strongly red and strongly blue: "RED BLUE".
icon_colours() {
    local xid geom cw ch L T R B bw cap x y w h
    xid=$(xid_of "Vellory Flash Screensaver")
    [ -n "$xid" ] || { echo "0 0"; return; }
    import -window "$xid" "$OUT/box.png" 2>>"$OUT/shot.err"
    read -r cw ch <<<"$(drv client "$BOX")"
    read -r L T R B <<<"$(drv rect "$BOX")"
    bw=$(((R - L - cw) / 2))
    cap=$((B - T - ch - bw))
    read -r x y w h <<<"$(drv children "$BOX" | awk -F'\t' '$4==1088 {print $5, $6, $7, $8; exit}')"
    [ -n "$w" ] || { echo "0 0"; return; }
    convert "$OUT/box.png" -crop "${w}x${h}+$((bw + x))+$((cap + y))" +repage -depth 8 txt:- 2>/dev/null |
        sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
        awk '{ r = $1 + 0; g = $2 + 0; b = $3 + 0
            if (r > 160 && g < 90 && b < 90) red++
            if (b > 160 && r < 120 && g < 200 && b > r + 60) blue++ }
            END { printf "%d %d\n", red, blue }'
}

pushd "$OUT" >/dev/null
: >"$TRACE"
VFS_TRACE=$TRACE_WIN start_app "$EXE"
popd >/dev/null
check "main window opens" drv --timeout 20000 wait "$W"

# --- An empty list: nothing happens ----------------------------------------------------------------
drv click "$W" "text=Make Saver Now!"
check "empty list: the handler runs" wait_for 5 trace_has cmdWriteDisc_Click
check_eq "empty list: no folder browser" 0 "$(drv count "$BROWSE")"
check_eq "empty list: no message" 0 "$(drv count "$BOX")"

# --- Two movies and one with a non-ANSI name, a folder, the savers -----------------------------------
drv click "$W" "text=Add Files"
check "three movies added" pick "$OPEN" "$MOVIES_WIN" '"intro.final.swf" "second.swf" "片头.final.swf"'
check_eq "three rows" 3 "$(rows | grep -c .)"
: >"$TRACE"
drv click "$W" "text=Make Saver Now!"
check "the folder browser opens" drv --timeout 15000 wait "$BROWSE"
check_eq "its prompt" "Select Output Folder" "$(drv text "$BROWSE" "id=14146")"
drv folder "$BROWSE" "$OUTDIR_WIN"
check "the run ends with a message" drv --timeout 20000 wait "$BOX"
check_eq "every row OK while the message is up" "OK OK OK" "$(statuses)"
check_eq "progress 100 after the last row" "100%" "$(drv text "$W" "id=1012")"
read -r red blue <<<"$(icon_colours)"
check "the success message has the information icon (blue, not red): $red $blue" test "$blue" -gt 20 -a "$red" -lt 5
cp "$OUT/box.png" "$OUT/success_box.png" 2>/dev/null
# While the run waits on its message, the list commands and a second build are refused.
: >"$TRACE"
drv command "$W" 113
drv command "$W" 101
drv click "$W" "text=Make Saver Now!"
check "list commands reach the window during the run" wait_for 5 trace_has cmdWriteDisc_Click
check_eq "Clear All and New refused during the run" 3 "$(rows | grep -c .)"
check_eq "no second build during the run" 0 "$(drv count "$BROWSE")"
check_eq "success message text" "Create ScreenSaver Successful!" "$(drv msgbox "$BOX" 1)"
check "the message closes" drv --timeout 10000 gone "$BOX"
check_eq "progress 100 at the end" "100%" "$(drv text "$W" "id=1012")"

expected_saver "$MOVIES/intro.final.swf" "$OUT/intro.expected"
expected_saver "$MOVIES/second.swf" "$OUT/second.expected"
check "intro.final.swf gives intro.Scr" test -f "$OUTDIR/intro.Scr"
check "intro.Scr is image + movie at header-1 + zero byte" cmp "$OUTDIR/intro.Scr" "$OUT/intro.expected"
check "second.Scr is image + movie at header-1 + zero byte" cmp "$OUTDIR/second.Scr" "$OUT/second.expected"
check_eq "saver length is header + N" $((HEADER + $(stat -c %s "$MOVIES/second.swf"))) "$(stat -c %s "$OUTDIR/second.Scr")"
expected_saver "$MOVIES/片头.final.swf" "$OUT/unicode.expected"
check "片头.final.swf gives 片头.Scr in the layout" cmp "$OUTDIR/片头.Scr" "$OUT/unicode.expected"
check_eq "only the three savers in the folder" "intro.Scr second.Scr 片头.Scr" "$(ls "$OUTDIR" | LC_ALL=C sort | paste -sd' ' -)"

# --- A name without ".": the run stops at that row -----------------------------------------------
drv click "$W" "text=Add Files"
pick "$OPEN" "" "$MOVIES_WIN\\noext"
rm -f "$OUTDIR"/*
# Ctrl+B as a real key; Cancel in the browser keeps the folder chosen before.
: >"$TRACE"
xdotool key ctrl+b
check "Ctrl+B opens the folder browser" drv --timeout 15000 wait "$BROWSE"
drv click "$BROWSE" "id=2"
check "the invalid name stops the run with a message" drv --timeout 20000 wait "$BOX"
check_eq "rows before it OK, the bad row keeps Processing" "OK OK OK Processing" "$(statuses)"
read -r red blue <<<"$(icon_colours)"
check "the error message has the critical icon (red, not blue): $red $blue" test "$red" -gt 20 -a "$blue" -lt 5
check_eq "invalid name message" "Invalid input file name: $MOVIES_WIN\\noext" "$(drv msgbox "$BOX" 1)"
check "the message closes" drv --timeout 10000 gone "$BOX"
no_box_within_a_second() { ! drv --timeout 1000 wait "$BOX"; }
check "no success message follows" no_box_within_a_second
check "Cancel kept the folder: the earlier rows were written there again" \
    cmp "$OUTDIR/intro.Scr" "$OUT/intro.expected"
check_eq "nothing written for the bad row" "intro.Scr second.Scr 片头.Scr" "$(ls "$OUTDIR" | LC_ALL=C sort | paste -sd' ' -)"
check_eq "Ctrl+B ran BurnNow, which ran the builder" "BurnNow_Click cmdWriteDisc_Click" \
    "$(tr -d '\r' <"$TRACE" | paste -sd' ' -)"
check "the window is usable after the stop" drv --timeout 2000 wait "$W"

# --- The embedded image is the padded runtime ----------------------------------------------------
check_eq "saver header is the runtime image the build padded" \
    "$(head -c $((HEADER - 1)) "$IMAGE" | md5sum)" "$(head -c $((HEADER - 1)) "$OUTDIR/second.Scr" | md5sum)"

drv close "$W"
check "the program ends" wait_exit "$APP_PID" 10

# --- Closing the window in the middle of a run ends the program at once ---------------------------
# Forty rows, each its own name for one 4 MB movie, from a project file: a run of seconds.
head -c 4000000 /dev/urandom >"$MOVIES/big.swf"
for i in $(seq -w 40); do ln -sf big.swf "$MOVIES/big$i.swf"; done
for i in $(seq -w 40); do printf '%s\\big%s.swf\t\t\t\r\n' "$MOVIES_WIN" "$i"; done >"$MOVIES/forty.Kvx"
LONGOUT=$OUT/long
mkdir -p "$LONGOUT"
start_app "$EXE"
check "main window opens again" drv --timeout 20000 wait "$W"
drv command "$W" 102
check "forty rows opened from a project" pick "$OPEN" "$MOVIES_WIN" "forty.Kvx"
check_eq "forty rows" 40 "$(rows | grep -c .)"
drv click "$W" "text=Make Saver Now!"
drv --timeout 15000 wait "$BROWSE" >/dev/null
drv folder "$BROWSE" "$(winepath -w "$LONGOUT" 2>/dev/null)"
wait_for 20 test -e "$LONGOUT/big01.Scr"
t0=$(now_ms)
drv close "$W"
check "closing mid-run ends the program within a second" wait_exit "$APP_PID" 1
echo "     close during a run: $(($(now_ms) - t0)) ms, $(ls "$LONGOUT" | grep -c .) of 40 savers written"
check "the run stopped with the program" test "$(ls "$LONGOUT" | grep -c '\.Scr$')" -lt 40
check_eq "no success message after closing" 0 "$(drv count "$BOX")"
check_eq "nothing but savers left in the folder" "" "$(ls "$LONGOUT" | grep -v '^big[0-9][0-9]\.Scr$')"
whole() { local f; for f in "$LONGOUT"/*.Scr; do [ "$(stat -c %s "$f")" -eq $((HEADER + 4000000)) ] || return 1; done; }
check "every saver written is whole" whole

# --- A saver the window wrote plays: its movie is extracted whole, a mouse move ends it ----------
TEMP_WIN=$(timeout 60 wine cmd /c 'echo %TEMP%' </dev/null 2>/dev/null | tr -d '\r')
TEMP_DIR=$(winepath -u "$TEMP_WIN" 2>/dev/null)
TEMP_DIR=${TEMP_DIR%/}
rm -f "$TEMP_DIR/kpl1.swf" "$TEMP_DIR/gtswf.tmp"
SAVER_TRACE=$OUT/saver_trace.txt
: >"$SAVER_TRACE"
xdotool mousemove 400 300
VFS_TRACE=$(winepath -w "$SAVER_TRACE" 2>/dev/null) start_app "$OUTDIR/second.Scr" /s
saver_ready() { tr -d '\r' <"$SAVER_TRACE" | grep -qx ready; }
check "the written saver starts" wait_for 20 saver_ready
check "it extracts exactly the movie" cmp "$TEMP_DIR/kpl1.swf" "$MOVIES/second.swf"
xdotool mousemove 420 320
check "a mouse move ends it within a second" wait_exit "$APP_PID" 1

# --- flashsaver.exe saver: the same files from the command line, with the image it carries ---------
CLI=$BIN/flashsaver.exe
CLIOUT=$OUT/cli
mkdir -p "$CLIOUT"
CLIOUT_WIN=$(winepath -w "$CLIOUT" 2>/dev/null)
timeout 60 wine "$CLI" saver "$MOVIES_WIN\intro.final.swf" "$MOVIES_WIN\second.swf" -o "$CLIOUT_WIN" \
    </dev/null >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver saver succeeds" 0 "$?"
check_eq "flashsaver saver prints one line per file" 2 "$(tr -d '\r' <"$OUT/cli.out" | grep -c ' -> ')"
check "flashsaver saver writes the file the window writes" cmp "$CLIOUT/intro.Scr" "$OUTDIR/intro.Scr"
check "flashsaver saver: second.Scr as well" cmp "$CLIOUT/second.Scr" "$OUTDIR/second.Scr"
# File names outside the ANSI code page reach the command line tool intact.
cp "$BIN/samples/demo.swf" "$MOVIES/演示.swf"
timeout 60 wine "$CLI" info "$MOVIES_WIN\演示.swf" </dev/null >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver info reads a movie with a Chinese name" 0 "$?"
timeout 60 wine "$CLI" render "$MOVIES_WIN\演示.swf" -o "$CLIOUT_WIN\演示.png" </dev/null >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver render writes a picture with a Chinese name" "PNG 550x400" \
    "$(identify -format '%m %wx%h' "$CLIOUT/演示.png" 2>/dev/null)"
timeout 60 wine "$CLI" saver "$MOVIES_WIN\noext" -o "$CLIOUT_WIN" </dev/null >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver saver fails on a name without a dot" 1 "$?"
check "and says why" grep -q "Invalid input file name: " "$OUT/cli.err"

finish
