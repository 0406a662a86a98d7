#!/usr/bin/env bash
# The main window as a user meets it: caption, size, controls, keyboard order, menus through
# real keys, About, the three ways to exit, and the window without its skin.
. "$(dirname "$0")/lib.sh"

EXE=$BIN/VelloryFlashScreensaver.exe
TITLE="Vellory Flash Screensaver v1.80"
W="title=$TITLE"
TRACE_DIR=$(winepath -u 'C:\' 2>/dev/null)vfs-e2e
mkdir -p "$TRACE_DIR"
TRACE=$TRACE_DIR/trace.txt
TRACE_WIN='C:\vfs-e2e\trace.txt'

[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }

# Starts the main program from FOLDER (a Linux path) and waits for its window.
start_main() {
    local exe=$1
    : >"$TRACE"
    VFS_TRACE=$TRACE_WIN start_app "$exe"
    drv --timeout 20000 wait "$W" >/dev/null
}

trace_has() { grep -qx "$1" "$TRACE"; }
trace_lines() { tr -d '\r' <"$TRACE" | paste -sd' ' -; }

# --- Layout -----------------------------------------------------------------------------------
xdotool mousemove 1000 700
check "main window opens" start_main "$EXE"
check_eq "caption" "$TITLE" "$(drv text "$W")"
check_eq "client area at 96 dpi" "649 359" "$(drv client "$W")"
style=$(drv info "$W" | cut -f9)
check "no maximize box" test $((style & 0x10000)) -eq 0
check "minimize box" test $((style & 0x20000)) -ne 0
check "resizable frame" test $((style & 0x40000)) -ne 0

drv children "$W" >"$OUT/children.tsv"
top=$(drv wait "$W")

# handle of the child with this parent and rectangle (pixels at 96 dpi)
child_at() {
    awk -F'\t' -v p="$1" -v x="$2" -v y="$3" -v w="$4" -v h="$5" \
        '$2==p && $5==x && $6==y && $7==w && $8==h {print $1; exit}' "$OUT/children.tsv"
}
field() { awk -F'\t' -v h="$1" -v f="$2" '$1==h {print $f; exit}' "$OUT/children.tsv"; }

# name container left top width height (twips) caption
declare -A HANDLE
while IFS='|' read -r name container l t w h caption; do
    [ -n "$name" ] || continue
    parent=$top
    [ "$container" = window ] || parent=${HANDLE[$container]:-none}
    hwnd=$(child_at "$parent" $((l / 15)) $((t / 15)) $((w / 15)) $((h / 15)))
    HANDLE[$name]=${hwnd:-none}
    check "$name at its place in $container" test -n "$hwnd"
    if [ -n "$hwnd" ] && [ "$caption" != "-" ]; then
        check_eq "$name caption" "$caption" "$(field "$hwnd" 11)"
    fi
done <<'TABLE'
Frame3|window|6810|90|2865|2745|
ShockwaveFlash1|Frame3|90|210|2715|2415|-
Frame2|window|60|4020|9615|705|
Command4|Frame2|5460|180|1215|435|EXE To SWF
Command2|Frame2|1170|180|1125|420|Remove File
Command1|Frame2|120|180|975|420|Add Files
Command3|Frame2|4200|180|1185|435|SWF To EXE
cmdWriteDisc|Frame2|2370|180|1755|420|Make Saver Now!
Command9|Frame2|7320|180|975|420|Help
Command11|Frame2|8550|180|975|420|Exit
Frame1|window|60|60|6645|4005|
ProgressCtl1|Frame1|120|3600|6315|315|-
lvwAudioTracks|Frame1|120|180|6375|3330|-
Command17|window|7110|2880|705|285|Play
Command16|window|8490|2880|705|285|Stop
Command15|window|7800|2880|705|285|Pause
Frame6|window|60|4800|9615|465|
SkinLabel4|Frame6|5670|180|3165|315|-
SkinLabel3|Frame6|900|180|4155|255|-
TABLE

check_eq "list view class" "SysListView32" "$(field "${HANDLE[lvwAudioTracks]}" 3)"
for b in Command1 Command2 cmdWriteDisc Command3 Command4 Command9 Command11 Command15 Command16 Command17; do
    check_eq "$b is a button" "Button" "$(field "${HANDLE[$b]}" 3)"
done
case "$(field "${HANDLE[SkinLabel3]}" 11)" in
"Visit Our Website: "*) check "web-site line" true ;;
*) check "web-site line" false ;;
esac
check "legal notice present" test -n "$(field "${HANDLE[SkinLabel4]}" 11)"

drv columns "$W" class=SysListView32 >"$OUT/columns.tsv"
check_eq "list columns" "File Name	213	left|Byte	80	center|Time	93	center|Status	96	left" \
    "$(paste -sd'|' "$OUT/columns.tsv")"

# --- Keyboard order ---------------------------------------------------------------------------
focused() { drv focus "$W" | cut -f1; }
check_eq "focus starts on Pause" "${HANDLE[Command15]}" "$(focused)"
order=(Command15 Command16 Command17 lvwAudioTracks Command11 Command9 cmdWriteDisc ShockwaveFlash1
       Command3 Command1 Command2 Command4 Command15)
got=()
want=()
for name in "${order[@]:1}"; do
    xdotool key Tab
    wait_for 2 test "$(focused)" = "${HANDLE[$name]}"
    got+=("$(focused)")
    want+=("${HANDLE[$name]}")
done
check_eq "Tab walks the keyboard order" "${want[*]}" "${got[*]}"
xdotool key shift+Tab
check_eq "Shift+Tab goes back" "${HANDLE[Command4]}" "$(focused)"

shot "$(xid_of "$TITLE")" "$OUT/skinned.png"
drv close "$W"
check "closed for the next start" wait_exit "$APP_PID" 5

# --- Enter right after start runs Pause; hidden shortcuts do nothing; About -----------------------
start_main "$EXE"
xdotool key Return
check "Enter right after start runs Pause" wait_for 3 trace_has Command15_Click
: >"$TRACE"
xdotool key ctrl+c ctrl+e ctrl+l ctrl+z
check "Ctrl+Z opens About" drv wait "title=About"
check_eq "Ctrl+C, Ctrl+E, Ctrl+L do nothing" "About_Click" "$(trace_lines)"
about_text=$(drv children "title=About" | cut -f11 | paste -sd'|' -)
case "$about_text" in
*"Thank you for using Vellory Flash Screensaver"*) check "About names the product" true ;;
*) check "About names the product" false ;;
esac
case "$about_text" in
*1.80*) check "About shows the version" true ;;
*) check "About shows the version" false ;;
esac
shot "$(xid_of About)" "$OUT/about.png"
drv click "title=About" "text=OK"
check "About closes with OK" drv gone "title=About"
check "main window stays after About" drv --timeout 500 wait "$W"

# --- Exit: the menu item through its shortcut -------------------------------------------------
t0=$(now_ms)
xdotool key ctrl+x
check "Ctrl+X ends the program within a second" wait_exit "$APP_PID" 1
echo "     Ctrl+X to exit: $(($(now_ms) - t0)) ms"

# --- Exit: the button ------------------------------------------------------------------------
start_main "$EXE"
t0=$(now_ms)
drv click "$W" "text=Exit"
check "Exit button ends the program within a second" wait_exit "$APP_PID" 1
echo "     Exit button: $(($(now_ms) - t0)) ms"

# --- Exit: the close box (a real click on the caption's close button) --------------------------
start_main "$EXE"
read -r L T R B <<<"$(drv rect "$W")"
t0=$(now_ms)
xdotool mousemove $((R - 12)) $((T + 12)) click 1
if ! wait_exit "$APP_PID" 1; then
    # Wine draws the close box where its theme puts it; the system menu's Close is the same path.
    drv syscommand "$W" 0xF060
fi
check "close box ends the program within a second" wait_exit "$APP_PID" 1
echo "     close box: $(($(now_ms) - t0)) ms"

# --- No skins folder: plain look, no message ------------------------------------------------
plain=$OUT/plain
mkdir -p "$plain"
cp "$EXE" "$plain/"
start_main "$plain/VelloryFlashScreensaver.exe"
check "opens without a skins folder" drv --timeout 500 wait "$W"
check_eq "no message box without a skin" "0" "$(drv count "title=Vellory Flash Screensaver")"
shot "$(xid_of "$TITLE")" "$OUT/unskinned.png"
drv close "$W"
wait_exit "$APP_PID" 5

# --- Program in a drive root: the doubled backslash still finds the skin ----------------------
rootdir=$OUT/driveroot
mkdir -p "$rootdir"
cp "$EXE" "$rootdir/"
cp -r "$BIN/skins" "$rootdir/"
ln -sfn "$rootdir" "$WINEPREFIX/dosdevices/r:"
start_main 'R:\VelloryFlashScreensaver.exe'
check "opens from a drive root" drv --timeout 500 wait "$W"
shot "$(xid_of "$TITLE")" "$OUT/driveroot.png"
drv close "$W"
wait_exit "$APP_PID" 5
rm -f "$WINEPREFIX/dosdevices/r:"

# The skinned and the drive-root windows look the same; the unskinned one does not. The pixel
# is on the window's own background, in the client area's bottom margin, mid-width.
pixel() {
    local w h
    read -r w h <<<"$(identify -format '%w %h' "$1")"
    local border=$(((w - 649) / 2))
    convert "$1" -format "%[pixel:p{$((w / 2)),$((h - border - 4))}]" info: 2>/dev/null
}
if [ -f "$OUT/skinned.png" ] && [ -f "$OUT/unskinned.png" ] && [ -f "$OUT/driveroot.png" ]; then
    check "the skin changes the look" test "$(pixel "$OUT/skinned.png")" != "$(pixel "$OUT/unskinned.png")"
    check_eq "the skin loads from a drive root" "$(pixel "$OUT/skinned.png")" "$(pixel "$OUT/driveroot.png")"
else
    check "screenshots taken" false
fi

finish
