#!/usr/bin/env bash
# Runs one Windows program under the project's wine session, with a time limit.
# ctest uses it as the emulator of the Windows test programs.
#   run.sh PROGRAM.exe [ARGS...]     (VFS_WINE_TIMEOUT seconds, default 300)
set -uo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
. "$here/env.sh"
if [ ! -f "$VFS_WINE_STATE/started" ]; then
  "$here/session.sh" start || exit 1
  . "$here/env.sh"
fi
exec timeout --kill-after=5 "${VFS_WINE_TIMEOUT:-300}" wine "$@" </dev/null
