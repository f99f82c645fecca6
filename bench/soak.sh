#!/usr/bin/env bash
# Soak of one running main window under Wine: bench_soak rescans both panels and opens the
# details window again and again, and prints handles, USER/GDI objects and private bytes at
# the start, after a warm-up and at the end (growth after the warm-up must stay under 1%).
# Starts the reference service, and Xvfb with openbox when no display is set.
# Extra arguments go to bench_soak (--processes, --startup, --details, --warmup).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VT_BUILD_DIR:-$root/build}

if [ "${VT_BENCH_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
  cmake --build "$build/win64" --target bench_soak >/dev/null || { echo "bench: build failed"; exit 1; }
fi
exe="$build/win64/bench/bench_soak.exe"

tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then export DISPLAY=":$n"; break; fi
  done
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.05; done
  # Without a window manager every window close waits 2 s under Wine.
  openbox >/dev/null 2>&1 &
  pids+=($!)
fi

python3 "$root/tools/reputation_service.py" --port 0 --port-file "$tmp/port" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do [ -s "$tmp/port" ] && break; sleep 0.02; done
[ -s "$tmp/port" ] || { echo "bench: the reputation service did not start"; exit 1; }
export VANTORILE_REPUTATION_URL="http://127.0.0.1:$(cat "$tmp/port")"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -p60
wine cmd /c exit >/dev/null 2>&1
wine "$exe" "$@" | tr -d '\r'
status=${PIPESTATUS[0]}
wineserver -k >/dev/null 2>&1
exit "$status"
