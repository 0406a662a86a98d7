#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent: when everything is
# already there it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config xz-utils
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  zlib1g-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  wine wine32:i386
  xvfb xdotool imagemagick libjpeg-turbo-progs x11-apps fonts-wqy-microhei fonts-wine
  sox lame
)

missing=()
for p in "${packages[@]}"; do
  name=${p%%:*}
  arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
  q=$name; [ -n "$arch" ] && q="$name:$arch"
  status=$(dpkg-query -W -f='${Status}' "$q" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The help compiler chmcmd. Its package fp-utils-3.2.2 depends on 211 MB of compiler sources; the
# program itself needs only libc, so it is taken out of the downloaded package alone.
install_chmcmd() {
  if command -v chmcmd >/dev/null 2>&1 || command -v chmcmd-3.2.2 >/dev/null 2>&1; then
    return 0
  fi
  echo "setup: installing chmcmd from fp-utils-3.2.2" >&2
  local tmp
  tmp=$(mktemp -d)
  if ! (cd "$tmp" && apt-get download -q fp-utils-3.2.2 >/dev/null 2>&1); then
    $SUDO apt-get update -q
    (cd "$tmp" && apt-get download -q fp-utils-3.2.2)
  fi
  dpkg-deb -x "$tmp"/fp-utils-3.2.2_*.deb "$tmp/x"
  $SUDO install -m 0755 "$tmp/x/usr/bin/chmcmd-3.2.2" /usr/local/bin/chmcmd
  rm -rf "$tmp"
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
install_chmcmd
