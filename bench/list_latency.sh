#!/usr/bin/env bash
# Grades in the real main window with the reference service at 100 ms per answer: time
# from the scan's start to the last grade, beside the same lookups made one after another
# with QueryReputation, and the window's longest wait to answer. Needs a display: starts
# Xvfb and openbox on a free one. Extra arguments go to bench_list_latency.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VT_BUILD_DIR:-$root/build}

if [ "${VT_BENCH_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
  if ! log=$(cmake --build "$build/win64" --target bench_list_latency 2>&1); then
    echo "$log" | grep -m 5 -E 'error|FAILED'
    echo "bench: build failed"
    exit 1
  fi
fi
exe="$build/win64/bench/bench_list_latency.exe"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT

display=""
for n in $(seq 141 189); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "bench: no free display"; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
export DISPLAY=$display
openbox >/dev/null 2>&1 &
pids+=($!)

python3 "$root/tools/reputation_service.py" --port 0 --port-file "$tmp/port" --delay 0.1 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do [ -s "$tmp/port" ] && break; sleep 0.02; done
[ -s "$tmp/port" ] || { echo "bench: the reputation service did not start"; exit 1; }
export VANTORILE_REPUTATION_URL="http://127.0.0.1:$(cat "$tmp/port")"

[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1
wine "$exe" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
