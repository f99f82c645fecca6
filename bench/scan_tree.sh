#!/usr/bin/env bash
# Tree-walk speed of the folder and registry scanners beside "cmd /c dir /s /b" and
# "reg query /s" over the same generated trees, under the same Wine prefix in one run.
# Extra arguments go to bench_scan_tree (--folders, --files-per-folder, --keys, --values, --runs).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VT_BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
cmake --build "$build/win64" --target bench_scan_tree >/dev/null || exit 1
exe="$build/win64/bench/bench_scan_tree.exe"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# One warm wineserver for the scanners and the peers alike.
wineserver -p60
wine cmd /c exit >/dev/null 2>&1
wine "$exe" "$@" | tr -d '\r'
status=${PIPESTATUS[0]}
wineserver -k >/dev/null 2>&1
exit "$status"
