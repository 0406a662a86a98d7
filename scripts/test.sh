#!/usr/bin/env bash
# Sets up, builds and runs every test: native, native under ASan/UBSan, the fuzz targets
# (briefly), and the Windows programs and end-to-end tests under Wine and Xvfb.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh || { echo "test: setup failed" >&2; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
presets=(native asan fuzz win32)
[ -n "${VFS_PRESETS:-}" ] && read -r -a presets <<<"$VFS_PRESETS"

mkdir -p build
passed=0 failed=0 broken=()
for p in "${presets[@]}"; do
  echo "== $p: configure and build"
  log="build/$p.log"
  if ! cmake --preset "$p" >"$log" 2>&1; then
    cat "$log" >&2; broken+=("$p (configure)"); continue
  fi
  if ! cmake --build --preset "$p" -j "$jobs" >>"$log" 2>&1; then
    tail -n 60 "$log" >&2; broken+=("$p (build)"); continue
  fi
  echo "== $p: test"
  out=$(mktemp)
  ctest --preset "$p" -j "$jobs" 2>&1 | tee "$out"
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out" | tail -n 1)
  if [ -n "$summary" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    nfail=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
    passed=$((passed + total - nfail)); failed=$((failed + nfail))
  elif ! grep -q 'No tests were found' "$out"; then
    broken+=("$p (ctest)")
  fi
  rm -f "$out"
done
for b in ${broken[@]+"${broken[@]}"}; do echo "test: $b failed" >&2; done
echo "all presets: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ ${#broken[@]} -eq 0 ]
