#!/usr/bin/env bash
# The movie list and project files as a user works them: Add Files with a multiple selection and
# with one file at a drive root, Cancel, Remove and Clear All, Save / New / Open of a project,
# Open twice, saving over a read-only project, and the shortcut keys pressed as real keys.
. "$(dirname "$0")/lib.sh"

EXE=$BIN/VelloryFlashScreensaver.exe
W="title=Vellory Flash Screensaver v1.80"
LIST="id=1013"
BOX="title=Vellory Flash Screensaver,class=#32770"
OPEN="title=Open,class=#32770"
SAVE="title=Save As,class=#32770"
[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }

TRACE=$OUT/trace.txt
TRACE_WIN=$(winepath -w "$TRACE" 2>/dev/null)
trace_has() { tr -d '\r' <"$TRACE" | grep -qx "$1"; }

# Movies with known sizes and local modification dates (noon, so no time zone moves the day).
MOVIES=$OUT/movies
mkdir -p "$MOVIES"
MOVIES_WIN=$(winepath -w "$MOVIES" 2>/dev/null)
: >"$MOVIES/a.swf"
touch -d '2006-07-03 12:00' "$MOVIES/a.swf"
head -c 1048576 /dev/zero >"$MOVIES/c d.swf"
touch -d '2010-12-25 12:00' "$MOVIES/c d.swf"
head -c 905 /dev/urandom >"$MOVIES/b.swf"
touch -d '2026-01-15 12:00' "$MOVIES/b.swf"
# One movie in the root of drive C:.
DRIVE_C=$(winepath -u 'C:\' 2>/dev/null)
ROOT_MOVIE=${DRIVE_C%/}/vfs_e2e_root.swf
printf 'FWS\x05\x00' >"$ROOT_MOVIE"
touch -d '2012-02-29 12:00' "$ROOT_MOVIE"

rows() { drv rows "$W" "$LIST"; }
row_count() { rows | grep -c . ; }
rows_are() { [ "$(rows)" == "$1" ]; }

# Waits for a file dialog, shows FOLDER in it (when given) and confirms NAMES.
pick() {
    local dlg=$1 folder=$2 names=$3
    drv --timeout 15000 wait "$dlg" >/dev/null || return 1
    if [ -n "$folder" ]; then
        drv filedialog "$dlg" "$folder"
        # The look-in box names the folder once the dialog has moved there.
        wait_for 10 lookin_is "$dlg" "$(basename "$(winepath -u "$folder" 2>/dev/null)")" || return 1
    fi
    drv filedialog "$dlg" "$names"
    drv --timeout 10000 gone "$dlg"
}
lookin_is() { [ "$(drv text "$1" "id=1137")" == "$2" ]; }
cancel_dialog() {
    drv --timeout 15000 wait "$1" >/dev/null || return 1
    drv click "$1" "id=2"
    drv --timeout 10000 gone "$1"
}

: >"$TRACE"
pushd "$OUT" >/dev/null
VFS_TRACE=$TRACE_WIN start_app "$EXE"
popd >/dev/null
check "main window opens" drv --timeout 20000 wait "$W"

# --- Add Files: one file at a drive root (typed as a full path) ------------------------------------
drv click "$W" "text=Add Files"
check "Add Files: root file chosen" pick "$OPEN" "" 'C:\vfs_e2e_root.swf'
ROW_ROOT=$'C:\\vfs_e2e_root.swf\t5\t02-29-2012\t'
check_eq "a file at a drive root: one backslash, size, date, empty status" "$ROW_ROOT" "$(rows)"

# --- Add Files: three files in one dialog, after the existing row, in the dialog's order ------------
drv command "$W" 111  # Edit > Add File(s)
check "Add Files: three files chosen" pick "$OPEN" "$MOVIES_WIN" '"b.swf" "c d.swf" "a.swf"'
ROW_B="$MOVIES_WIN\\b.swf	905	01-15-2026	"
ROW_CD="$MOVIES_WIN\\c d.swf	1048576	12-25-2010	"
ROW_A="$MOVIES_WIN\\a.swf	0	07-03-2006	"
ALL4=$(printf '%s\n%s\n%s\n%s' "$ROW_ROOT" "$ROW_B" "$ROW_CD" "$ROW_A")
check_eq "three rows in dialog order after the first" "$ALL4" "$(rows)"

# --- Cancel leaves the list; the next Add Files opens the dialog again -----------------------------
drv click "$W" "text=Add Files"
check "Cancel closes the dialog" cancel_dialog "$OPEN"
check_eq "Cancel leaves the list as it was" "$ALL4" "$(rows)"
drv click "$W" "text=Add Files"
check "Add Files opens again after Cancel" cancel_dialog "$OPEN"
check_eq "no message after Cancel" 0 "$(drv count "$BOX")"

# --- Save, New, Open: the same rows --------------------------------------------------------------
PROJ=$OUT/list.Kvx
PROJ_WIN=$(winepath -w "$PROJ" 2>/dev/null)
drv command "$W" 103  # File > Save
check "Save: file chosen" pick "$SAVE" "" "$PROJ_WIN"
printf '%s\r\n' "$ROW_ROOT" "$ROW_B" "$ROW_CD" "$ROW_A" >"$OUT/expected.Kvx"
check "the project file holds one tab-separated CR LF line per row" wait_for 5 cmp -s "$PROJ" "$OUT/expected.Kvx"
drv command "$W" 101  # File > New
check "New empties the list" wait_for 5 rows_are ""
drv command "$W" 102  # File > Open
check "Open: file chosen" pick "$OPEN" "" "$PROJ_WIN"
check_eq "Open brings back the same rows" "$ALL4" "$(rows)"

# --- Open twice: every row twice -----------------------------------------------------------------
drv command "$W" 101
wait_for 5 rows_are ""
for _ in 1 2; do
    drv command "$W" 102
    pick "$OPEN" "" "$PROJ_WIN"
done
check_eq "a project opened twice gives every row twice" "$(printf '%s\n%s' "$ALL4" "$ALL4")" "$(rows)"

# --- Remove: the selected row; on an empty list nothing happens -----------------------------------
drv select "$W" "$LIST" 1
drv click "$W" "text=Remove File"
check_eq "Remove File takes the selected row" \
    "$(printf '%s\n%s\n%s\n%s\n%s\n%s\n%s' "$ROW_ROOT" "$ROW_CD" "$ROW_A" "$ROW_ROOT" "$ROW_B" "$ROW_CD" "$ROW_A")" \
    "$(rows)"
drv command "$W" 113  # Edit > Clear All
check "Clear All empties the list" wait_for 5 rows_are ""
: >"$TRACE"
drv click "$W" "text=Remove File"
drv command "$W" 112
check "Remove File on an empty list runs" wait_for 5 trace_has RemoveSelectedFile_Click
check_eq "Remove File on an empty list shows nothing" 0 "$(drv count "$BOX")"
check_eq "the list stays empty" "" "$(rows)"
drv command "$W" 113
check_eq "Clear All on an empty list shows nothing" 0 "$(drv count "$BOX")"

# --- Saving over a read-only project: an error, the old file intact ------------------------------
drv command "$W" 102
pick "$OPEN" "" "$PROJ_WIN"
drv select "$W" "$LIST" 0
drv click "$W" "text=Remove File"
RO=$OUT/readonly.Kvx
cp "$PROJ" "$RO"
cp "$RO" "$OUT/readonly.before"
chmod a-w "$RO"
RO_WIN=$(winepath -w "$RO" 2>/dev/null)
drv command "$W" 103
pick "$SAVE" "" "$RO_WIN"
check "saving over a read-only file shows a message" drv --timeout 10000 wait "$BOX"
msg=$(drv msgbox "$BOX" 1)
case "$msg" in
"The project could not be saved to $RO_WIN."*) check "the message names the file" true ;;
*) check "the message names the file" false; echo "     got: $msg" ;;
esac
check "the read-only file is left as it was" cmp "$RO" "$OUT/readonly.before"
check "no temporary file is left beside it" test -z "$(find "$OUT" -maxdepth 1 -name 'readonly.Kvx.*')"
chmod u+w "$RO"

# --- Shortcut keys as real keys -----------------------------------------------------------------
drv command "$W" 113
wait_for 5 rows_are ""
: >"$TRACE"
xdotool key ctrl+o
check "Ctrl+O opens the project dialog" pick "$OPEN" "" "$PROJ_WIN"
check_eq "Ctrl+O loads the project" "$ALL4" "$(rows)"
drv select "$W" "$LIST" 0
xdotool key ctrl+m
check "Ctrl+M removes the selected row" wait_for 5 rows_are "$(printf '%s\n%s\n%s' "$ROW_B" "$ROW_CD" "$ROW_A")"
xdotool key ctrl+s
check "Ctrl+S opens the save dialog" pick "$SAVE" "" "$(winepath -w "$OUT/keys.Kvx" 2>/dev/null)"
printf '%s\r\n' "$ROW_B" "$ROW_CD" "$ROW_A" >"$OUT/expected_keys.Kvx"
check "Ctrl+S saves the rows" wait_for 5 cmp -s "$OUT/keys.Kvx" "$OUT/expected_keys.Kvx"
xdotool key ctrl+n
check "Ctrl+N empties the list" wait_for 5 rows_are ""
xdotool key ctrl+a
check "Ctrl+A opens the Add Files dialog" pick "$OPEN" "" 'C:\vfs_e2e_root.swf'
check_eq "Ctrl+A adds the chosen file" "$ROW_ROOT" "$(rows)"
check_eq "the keys ran their handlers" \
    "OpenCDLayout_Click RemoveSelectedFile_Click Command2_Click SaveCDLayout_Click NewCDLayout_Click AddFiles_Click Command1_Click" \
    "$(tr -d '\r' <"$TRACE" | paste -sd' ' -)"

# --- A name outside the ANSI code page: listed, saved as UTF-8 with a BOM, loaded back ------------
printf 'FWS\x07' >"$MOVIES/片头 movie.swf"
touch -d '2015-05-05 12:00' "$MOVIES/片头 movie.swf"
drv command "$W" 113
wait_for 5 rows_are ""
drv click "$W" "text=Add Files"
check "a non-ANSI name is chosen" pick "$OPEN" "$MOVIES_WIN" '"片头 movie.swf" "b.swf"'
ROW_U="$MOVIES_WIN\片头 movie.swf	4	05-05-2015	"
check_eq "the non-ANSI name is listed as it is" "$(printf '%s\n%s' "$ROW_U" "$ROW_B")" "$(rows)"
UPROJ=$OUT/unicode.Kvx
drv command "$W" 103
pick "$SAVE" "" "$(winepath -w "$UPROJ" 2>/dev/null)"
{ printf '\xef\xbb\xbf'; printf '%s\r\n' "$ROW_U" "$ROW_B"; } >"$OUT/expected_unicode.Kvx"
check "such a project is written as UTF-8 with a byte-order mark" wait_for 5 cmp -s "$UPROJ" "$OUT/expected_unicode.Kvx"
drv command "$W" 101
wait_for 5 rows_are ""
drv command "$W" 102
pick "$OPEN" "" "$(winepath -w "$UPROJ" 2>/dev/null)"
check_eq "and loads back unchanged" "$(printf '%s\n%s' "$ROW_U" "$ROW_B")" "$(rows)"

shot "$(xid_of "Vellory Flash Screensaver v1.80")" "$OUT/list.png"
drv close "$W"
check "the program ends" wait_exit "$APP_PID" 10
rm -f "$ROOT_MOVIE"

finish
