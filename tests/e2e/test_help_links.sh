#!/usr/bin/env bash
# Help and the web links as a user meets them: F1, the Help button and the Help menu item each start
# the help viewer on help.chm beside the program (its contents list our pages), also from a folder
# with spaces and from a drive root; Ctrl+H and Ctrl+T open browser windows at the maker's pages,
# here pointed at a local server, and every press opens one more window.
. "$(dirname "$0")/lib.sh"

EXE=$BIN/VelloryFlashScreensaver.exe
TITLE="Vellory Flash Screensaver v1.80"
W="title=$TITLE"
HH="class=HH Parent"
IE="class=IEFrame"
TRACE_DIR=$(winepath -u 'C:\' 2>/dev/null)vfs-e2e
mkdir -p "$TRACE_DIR"
TRACE=$TRACE_DIR/trace.txt
TRACE_WIN='C:\vfs-e2e\trace.txt'
# The viewer and the browser need Wine's HTML engine, which the session turns off by default.
export WINEDLLOVERRIDES=mscoree=

[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }
[ -f "$BIN/help.chm" ] || { echo "missing $BIN/help.chm (is chmcmd installed?)"; exit 1; }

HTTP_PID=
ROOT_COPY=
cleanup() {
    cleanup_apps
    # Browser servers that COM started for this prefix and that never answered.
    pkill -f "iexplore.exe -Embedding" 2>/dev/null
    [ -n "$HTTP_PID" ] && kill "$HTTP_PID" 2>/dev/null
    [ -n "$ROOT_COPY" ] && rm -f "$ROOT_COPY/VelloryFlashScreensaver.exe" "$ROOT_COPY/help.chm"
}
trap cleanup EXIT

start_main() {
    local exe=$1
    : >"$TRACE"
    VFS_TRACE=$TRACE_WIN VFS_WEB_SITE=$SITE start_app "$exe"
    drv --timeout 20000 wait "$W" >/dev/null || return 1
    : >"$TRACE"
}

trace_lines() { tr -d '\r' <"$TRACE" | paste -sd' ' -; }
count_of() { drv count "$1"; }
# Conditions for wait_for: each poll asks again.
count_is() { test "$(count_of "$1")" -eq "$2"; }
count_below() { test "$(count_of "$1")" -lt "$2"; }
toc_filled() { test -n "$(toc)"; }
# Command lines of the viewer processes opened on help files under FOLDER (a Windows path).
viewer_lines() { ps -eo args | grep -F -- "hh.exe $1" | grep -v grep; }

# Closes every window of a class, one after the other.
close_all() {
    local n
    n=$(count_of "$1")
    while [ "${n:-0}" -gt 0 ]; do
        drv close "$1"
        wait_for 10 count_below "$1" "$n" || return 1
        n=$(count_of "$1")
    done
}

EXPECTED_TOC="Welcome to Vellory Flash Screensaver|Adding movies to the list|The preview|Making screensavers|\
Installing and choosing a screensaver|SWF To EXE|EXE To SWF|Project files|Keyboard shortcuts|Troubleshooting and messages"
toc() { drv tree "$HH" class=SysTreeView32 | paste -sd'|' -; }

# A local web site stands in for the maker's, so that nothing leaves the machine.
SITE=http://127.0.0.1:9
if command -v python3 >/dev/null 2>&1; then
    mkdir -p "$OUT/site"
    echo '<html><body>home</body></html>' >"$OUT/site/index.html"
    echo '<html><body>faq</body></html>' >"$OUT/site/faq.htm"
    python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$OUT/site" >"$OUT/http.out" 2>"$OUT/http.log" &
    HTTP_PID=$!
    wait_for 10 grep -q ' port ' "$OUT/http.out"
    port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$OUT/http.out" | head -n 1)
    [ -n "$port" ] && SITE=http://127.0.0.1:$port
fi
requests() { grep -c "\"GET $1 HTTP" "$OUT/http.log" 2>/dev/null; }

WINBIN=$(winepath -w "$BIN" 2>/dev/null)
WINDIR=$(winepath -w "$(winepath -u 'C:\windows' 2>/dev/null)" 2>/dev/null)
WANT_LINE="$WINDIR\\hh.exe $WINBIN\\help.chm"

# --- Help: three entry points, one command line --------------------------------------------------
close_all "$HH"
check "main window opens" start_main "$EXE"
drv keys "$W" F1
check "F1 opens the help viewer" drv --timeout 15000 wait "$HH"
check_eq "F1 runs helphelp_Click and gethelp" "helphelp_Click gethelp" "$(trace_lines)"
# A fresh Wine prefix leaves the viewer's caption blank; any caption it shows is the help file's.
title_is() { test "$(drv text "$HH")" = "$1"; }
title_blank_or() { local t; t=$(drv text "$HH"); [ -z "$t" ] || [ "$t" = "$1" ]; }
wait_for 5 title_is "Vellory Flash Screensaver Help"
check "viewer titled from the help file (or left blank)" title_blank_or "Vellory Flash Screensaver Help"
wait_for 10 toc_filled
check_eq "contents list our pages" "$EXPECTED_TOC" "$(toc)"
# The index tab lists every keyword of the index source, in its order.
want_index=$(sed -n 's/.*<param name="Name" value="\([^"]*\)">.*/\1/p' "$ROOT/resources/help/help.hhk" | paste -sd'|' -)
check "index source read" test -n "$want_index"
check_eq "index lists our keywords" "$want_index" "$(drv rows "$HH" class=SysListView32 | paste -sd'|' -)"
shot "$(xdotool search --name '^Vellory Flash Screensaver Help$' | head -n 1)" "$OUT/help.png"

drv click "$W" "id=1009"
check "the Help button opens a second viewer" wait_for 15 count_is "$HH" 2
drv command "$W" 131
check "the Help menu item opens a third" wait_for 15 count_is "$HH" 3
check_eq "three handlers ran" "helphelp_Click gethelp Command9_Click gethelp helphelp_Click gethelp" "$(trace_lines)"
viewer_lines "$WINBIN" >"$OUT/viewers.txt"
check_eq "three viewers on help.chm beside the program" 3 "$(wc -l <"$OUT/viewers.txt")"
check_eq "one and the same command line" "$WANT_LINE" "$(sort -u "$OUT/viewers.txt")"
check "the viewers close" close_all "$HH"
check "main window still open" drv --timeout 500 wait "$W"
drv close "$W"
check "program ends" wait_exit "$APP_PID" 10

# --- A program folder with spaces: the help path goes unquoted and still opens --------------------
SPACED="$OUT/Program Files/Vellory Flash Screensaver"
mkdir -p "$SPACED"
cp "$EXE" "$BIN/help.chm" "$SPACED/"
WINSPACED=$(winepath -w "$SPACED" 2>/dev/null)
start_main "$SPACED/VelloryFlashScreensaver.exe"
drv keys "$W" F1
check "F1 from a folder with spaces opens the viewer" drv --timeout 15000 wait "$HH"
wait_for 10 toc_filled
check_eq "its contents list our pages" "$EXPECTED_TOC" "$(toc)"
check_eq "unquoted command line" "$WINDIR\\hh.exe $WINSPACED\\help.chm" "$(viewer_lines "$WINSPACED" | head -n 1)"
close_all "$HH"
drv close "$W"
wait_exit "$APP_PID" 10

# --- A program at a drive root: two backslashes before help.chm, which still opens ---------------
ROOT_COPY=$(winepath -u 'C:\' 2>/dev/null)
ROOT_COPY=${ROOT_COPY%/}
cp "$EXE" "$BIN/help.chm" "$ROOT_COPY/"
start_main "$ROOT_COPY/VelloryFlashScreensaver.exe"
drv keys "$W" F1
check "F1 at a drive root opens the viewer" drv --timeout 15000 wait "$HH"
wait_for 10 toc_filled
check_eq "its contents list our pages" "$EXPECTED_TOC" "$(toc)"
check_eq "root command line" "$WINDIR\\hh.exe C:\\\\help.chm" "$(viewer_lines 'C:\\help.chm' | head -n 1)"
close_all "$HH"
drv close "$W"
wait_exit "$APP_PID" 10
rm -f "$ROOT_COPY/VelloryFlashScreensaver.exe" "$ROOT_COPY/help.chm"
ROOT_COPY=

# --- Web links -------------------------------------------------------------------------------------
# A page opens in a browser window through the automation object, or, where that object does not
# answer (some fresh Wine prefixes), through the shell's default browser: the session's stand-in,
# which logs each address it is given.
BROWSER_LOG=$VFS_WINE_STATE/browser.log
# Address shown by the only browser window there is.
address() { drv text "$IE" "id=1004,class=Edit"; }
address_is() { test "$(address)" = "$1"; }
asked_at_least() { test "$(requests "$1")" -ge "$2"; }
logged() {
    local n
    n=$(grep -cxF -- "$1" "$BROWSER_LOG" 2>/dev/null)
    echo "${n:-0}"
}
# opened URL N BEFORE: N browser windows are open, the only or last one at URL, or the stand-in
# logged URL N more times than BEFORE.
opened() {
    local windows
    windows=$(count_of "$IE")
    if [ "${windows:-0}" -ge "$2" ] && [ "${windows:-0}" -gt 0 ]; then
        [ "$2" -gt 1 ] || address_is "$1"
        return
    fi
    [ "$(logged "$1")" -ge $(($3 + $2)) ]
}
in_window() { [ "$(count_of "$IE")" -gt 0 ]; }
faq_opened_at_least() { test $(($(requests /faq.htm) + $(logged "$SITE/faq.htm"))) -ge "$1"; }

close_all "$IE"
start_main "$EXE"
before=$(logged "$SITE/")
drv keys "$W" ctrl+h
check "Ctrl+H opens the home page" wait_for 60 opened "$SITE/" 1 "${before:-0}"
check_eq "Ctrl+H runs DiscwrightHomePage_Click" "DiscwrightHomePage_Click" "$(trace_lines)"
if in_window; then
    [ -n "$HTTP_PID" ] && check "the home page was asked for" wait_for 10 asked_at_least / 1
    shot "$(xdotool search --name '^Wine Internet Explorer$' | head -n 1)" "$OUT/browser.png"
    check "the browser window closes" close_all "$IE"
fi

: >"$TRACE"
before=$(logged "$SITE/faq.htm")
drv keys "$W" ctrl+t
check "Ctrl+T opens faq.htm" wait_for 60 opened "$SITE/faq.htm" 1 "${before:-0}"
check_eq "Ctrl+T runs SupportOnline_Click" "SupportOnline_Click" "$(trace_lines)"
close_all "$IE"

# Support Online twice opens the support page twice.
before=$(logged "$SITE/faq.htm")
drv command "$W" 133
wait_for 60 opened "$SITE/faq.htm" 1 "${before:-0}"
drv command "$W" 133
check "Support Online twice: opened twice" wait_for 60 opened "$SITE/faq.htm" 2 "${before:-0}"
if [ "$(count_of "$IE")" -ge 2 ]; then
    check "first shows faq.htm" wait_for 10 address_is "$SITE/faq.htm"
    drv close "$IE"
    wait_for 10 count_is "$IE" 1
    check "second shows faq.htm" wait_for 10 address_is "$SITE/faq.htm"
    # Each of the three opens reached the server through a window or the stand-in's log.
    [ -n "$HTTP_PID" ] && check "faq.htm opened three times" wait_for 10 faq_opened_at_least 3
fi
close_all "$IE"
check "main window still open" drv --timeout 500 wait "$W"
drv close "$W"
check "program ends" wait_exit "$APP_PID" 10

finish
