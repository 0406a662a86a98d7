#!/usr/bin/env bash
# "SWF To EXE" and "EXE To SWF" as a user runs them: the player image the build padded (its
# size, no SWF signature in it), two movies built into projectors through the folder browser and
# compared byte for byte with the layout, one projector run (a window sized to the stage and
# captioned with its file name, the movie visible, Esc ignored, closing ends it), a player
# without a movie saying so, the movie taken back through the two file dialogs (exactly the
# movie, a name typed without extension getting ".swf"), an executable without a movie reported,
# and flashsaver.exe projector and extract writing the same files.
. "$(dirname "$0")/lib.sh"

EXE=$BIN/VelloryFlashScreensaver.exe
IMAGE=$VFS_BUILD/player_image.bin
PLAYER=$BIN/VelloryPlayer.exe
W="title=Vellory Flash Screensaver v1.80"
LIST="id=1013"
BOX="title=Vellory Flash Screensaver,class=#32770"
OPEN="title=Open,class=#32770"
SAVE="title=Save As,class=#32770"
BROWSE="title=Browse for Folder,class=#32770"
[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }
[ -f "$IMAGE" ] || { echo "missing $IMAGE"; exit 1; }
SIZE=$(sed -n 's/.*kProjectorImageSize = \([0-9]*\);.*/\1/p' "$ROOT/builders/projector_layout.h")

# --- The image ---------------------------------------------------------------------------------------
check_eq "player image is exactly the projector image size" "$SIZE" "$(stat -c %s "$IMAGE")"
check_eq "the image size is 376832" 376832 "$SIZE"
check "the player program fits before padding ($(stat -c %s "$PLAYER") bytes)" test "$(stat -c %s "$PLAYER")" -le "$SIZE"
no_signature() { ! LC_ALL=C grep -a -q -F -e FWS -e CWS "$IMAGE"; }
check "no FWS or CWS anywhere in the image" no_signature
check "the image is the program followed by zero bytes" \
    cmp -n "$(stat -c %s "$PLAYER")" "$IMAGE" "$PLAYER"

MOVIES=$OUT/movies
OUTDIR=$OUT/players
mkdir -p "$MOVIES" "$OUTDIR"
MOVIES_WIN=$(winepath -w "$MOVIES" 2>/dev/null)
OUTDIR_WIN=$(winepath -w "$OUTDIR" 2>/dev/null)
cp "$ROOT/cli/demo/demo.swf" "$MOVIES/demo.final.swf"      # compressed (CWS), 550x400
{ printf 'FWS\x06'; head -c 150000 /dev/urandom; } >"$MOVIES/second.swf"

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
# The projector layout, made independently of the program: image, movie, 56 34 12 FA, length.
expected_projector() {
    local n
    n=$(stat -c %s "$1")
    { cat "$IMAGE" "$1"; printf '\x56\x34\x12\xfa'
      printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $(((n >> 8) & 255)))"
      printf "\\x$(printf %02x $(((n >> 16) & 255)))\\x$(printf %02x $(((n >> 24) & 255)))"; } >"$2"
}

start_app "$EXE"
check "main window opens" drv --timeout 20000 wait "$W"

# --- SWF To EXE ----------------------------------------------------------------------------------
drv click "$W" "text=Add Files"
check "two movies added" pick "$OPEN" "$MOVIES_WIN" '"demo.final.swf" "second.swf"'
drv click "$W" "text=SWF To EXE"
check "the folder browser opens" drv --timeout 15000 wait "$BROWSE"
drv folder "$BROWSE" "$OUTDIR_WIN"
check "the run ends with a message" drv --timeout 20000 wait "$BOX"
check_eq "every row OK" "OK OK" "$(statuses)"
check_eq "progress 100 before the message is closed" "100%" "$(drv text "$W" "id=1012")"
check_eq "success message text" "Create EXE Files Successful!" "$(drv msgbox "$BOX" 1)"
check "the message closes" drv --timeout 10000 gone "$BOX"
expected_projector "$MOVIES/demo.final.swf" "$OUT/demo.expected"
expected_projector "$MOVIES/second.swf" "$OUT/second.expected"
check "demo.final.swf gives demo.exe in the layout" cmp "$OUTDIR/demo.exe" "$OUT/demo.expected"
check "second.exe in the layout" cmp "$OUTDIR/second.exe" "$OUT/second.expected"
check_eq "second.exe is 376840 + L bytes" $((376840 + $(stat -c %s "$MOVIES/second.swf"))) \
    "$(stat -c %s "$OUTDIR/second.exe")"

# --- A projector plays ---------------------------------------------------------------------------------
PW="title=demo.exe,class=VelloryStandalonePlayer"
start_app "$OUTDIR/demo.exe"
PLAYER_PID=$APP_PID
check "the projector opens its window captioned with its file name" drv --timeout 20000 wait "$PW"
check_eq "its client area is the movie's stage" "550 400" "$(drv client "$PW")"
style=$(drv info "$PW" | cut -f9)
check "a normal resizable window ($style)" test $((style & 0x00CF0000)) -eq $((0x00CF0000))
colours() { convert "$OUT/player.png" -format '%k' info: 2>/dev/null; }
movie_visible() {
    shot "$(xid_of demo.exe)" "$OUT/player.png" && [ "$(colours)" -gt 200 ]
}
check "the movie is visible (a screenshot of many colours)" wait_for 10 movie_visible
echo "     screenshot: $OUT/player.png ($(colours) colours)"
drv keys "$PW" Escape
still_there() { drv --timeout 1000 wait "$PW"; }
check "Esc does not close it" still_there
drv close "$PW"
check "closing the window ends it" wait_exit "$PLAYER_PID" 10

# A player without a movie says so.
cp "$IMAGE" "$OUT/bare.exe"
start_app "$OUT/bare.exe"
BARE_PID=$APP_PID
BAREBOX="title=bare.exe,class=#32770"
check "a player without a movie shows a message" drv --timeout 20000 wait "$BAREBOX"
check "which says it carries no movie" bash -c "[[ \"\$(timeout 60 wine '$DRIVER' msgbox '$BAREBOX' 1 2>/dev/null)\" == *'no movie'* ]]"
check "and ends" wait_exit "$BARE_PID" 10

# --- EXE To SWF ----------------------------------------------------------------------------------------
BACK=$OUT/back
mkdir -p "$BACK"
BACK_WIN=$(winepath -w "$BACK" 2>/dev/null)
printf 'an older, longer file %.0s' $(seq 100) >"$BACK/second.swf"
drv click "$W" "text=EXE To SWF"
check "the open dialog: a projector" pick "$OPEN" "$OUTDIR_WIN" "second.exe"
drv --timeout 15000 wait "$SAVE" >/dev/null
drv filedialog "$SAVE" "$BACK_WIN\\second.swf"
# Wine's overwrite prompt is a message box captioned "Error"; Yes replaces the file.
PROMPT="title=Error,class=#32770"
check "choosing an existing file asks before overwriting it" drv --timeout 10000 wait "$PROMPT"
check "the prompt asks to replace" bash -c "[[ \"\$(timeout 60 wine '$DRIVER' msgbox '$PROMPT' 6 2>/dev/null)\" == *'already exists'* ]]"
check "confirmed, both close" drv --timeout 10000 gone "$SAVE"
check "the success message" drv --timeout 20000 wait "$BOX"
check_eq "its text" "转换成功" "$(drv msgbox "$BOX" 1)"
check "exactly the movie comes back (the longer file replaced)" cmp "$BACK/second.swf" "$MOVIES/second.swf"

drv click "$W" "text=EXE To SWF"
check "open: the compressed movie's projector" pick "$OPEN" "$OUTDIR_WIN" "demo.exe"
check "save: a name typed without extension" pick "$SAVE" "" "$BACK_WIN\\typed"
check "the success message again" drv --timeout 20000 wait "$BOX"
drv msgbox "$BOX" 1 >/dev/null
check "the name got .swf and holds the compressed movie" cmp "$BACK/typed.swf" "$MOVIES/demo.final.swf"

drv click "$W" "text=EXE To SWF"
check "open: an executable without a movie" pick "$OPEN" "$(winepath -w "$OUT" 2>/dev/null)" "bare.exe"
check "save: a target" pick "$SAVE" "" "$BACK_WIN\\nothing.swf"
check "no movie found is reported" drv --timeout 20000 wait "$BOX"
check_eq "with its text" "No Flash movie was found in $(winepath -w "$OUT" 2>/dev/null)\\bare.exe." \
    "$(drv msgbox "$BOX" 1)"
check "and nothing is written" test ! -e "$BACK/nothing.swf"

drv click "$W" "text=EXE To SWF"
drv --timeout 15000 wait "$OPEN" >/dev/null
drv click "$OPEN" "id=2"
check "cancelling the open dialog ends the command quietly" drv --timeout 10000 gone "$OPEN"
no_box_within_a_second() { ! drv --timeout 1000 wait "$BOX"; }
check "without a message" no_box_within_a_second

drv close "$W"
check "the program ends" wait_exit "$APP_PID" 10

# --- flashsaver.exe projector and extract ----------------------------------------------------------
CLI=$BIN/flashsaver.exe
CLIOUT=$OUT/cli
mkdir -p "$CLIOUT"
CLIOUT_WIN=$(winepath -w "$CLIOUT" 2>/dev/null)
timeout 60 wine "$CLI" projector "$MOVIES_WIN\\demo.final.swf" "$MOVIES_WIN\\second.swf" -o "$CLIOUT_WIN" \
    </dev/null >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver projector succeeds" 0 "$?"
check "flashsaver projector writes the file the window writes" cmp "$CLIOUT/demo.exe" "$OUTDIR/demo.exe"
check "and second.exe" cmp "$CLIOUT/second.exe" "$OUTDIR/second.exe"
timeout 60 wine "$CLI" extract "$CLIOUT_WIN\\demo.exe" "$CLIOUT_WIN\\demo.swf" </dev/null >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver extract succeeds" 0 "$?"
check "and gives exactly the movie" cmp "$CLIOUT/demo.swf" "$MOVIES/demo.final.swf"
timeout 60 wine "$CLI" extract "$(winepath -w "$OUT" 2>/dev/null)\\bare.exe" "$CLIOUT_WIN\\x.swf" </dev/null \
    >"$OUT/cli.out" 2>"$OUT/cli.err"
check_eq "flashsaver extract fails without a movie" 1 "$?"

finish
