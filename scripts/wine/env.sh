# Sourced by the wine scripts: the project's wine settings. The state folder holds the prefix,
# the display in use, the Xvfb pid and the logs of one wine session.
_vfs_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export VFS_ROOT=$_vfs_root
export VFS_WINE_STATE=${VFS_WINE_STATE:-$_vfs_root/build/win32/wine}
export WINEPREFIX=${VFS_WINEPREFIX:-$VFS_WINE_STATE/prefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -s "$VFS_WINE_STATE/display" ]; then
  export DISPLAY=$(cat "$VFS_WINE_STATE/display")
fi
