# What every benchmark script does around its Wine program; sourced, not run.
#   bench_build TARGET      builds TARGET in the cross tree (VT_BENCH_SKIP_BUILD=1 measures
#                           what is already built) and sets $exe
#   bench_wine [--own-server]  the benchmark prefix, warmed up; with --own-server one
#                           wineserver kept alive for the whole run and ended at its end
#   bench_display           a private Xvfb with openbox on a free display
#   bench_service [ARGS]    the reference service on a free loopback port, its base URL in
#                           $base and VANTORILE_REPUTATION_URL
# Everything started is stopped, and $tmp removed, when the script exits.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VT_BUILD_DIR:-$root/build}
tmp=$(mktemp -d)
pids=()
wine_started=""
bench_cleanup() {
  [ -n "$wine_started" ] && wineserver -k >/dev/null 2>&1
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap bench_cleanup EXIT

bench_build() {
  exe="$build/win64/bench/$1.exe"
  [ "${VT_BENCH_SKIP_BUILD:-0}" = 1 ] && return 0
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
  local log
  if ! log=$(cmake --build "$build/win64" --target "$1" 2>&1); then
    echo "$log" | grep -m 5 -E 'error|FAILED'
    echo "bench: build failed"
    exit 1
  fi
}

bench_wine() {
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  if [ "${1:-}" = --own-server ]; then
    # One warm wineserver for the program and its peers alike.
    wineserver -p60
    wine_started=1
  fi
  # The prefix's services start now, not inside a measurement.
  wine cmd /c exit >/dev/null 2>&1
}

bench_display() {
  local n d=""
  for n in $(seq 141 189); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then d=":$n"; break; fi
  done
  [ -n "$d" ] || { echo "bench: no free display"; exit 1; }
  Xvfb "$d" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${d#:}" ] && break; sleep 0.05; done
  export DISPLAY=$d
  # Without a window manager every window close waits 2 s under Wine.
  openbox >/dev/null 2>&1 &
  pids+=($!)
}

bench_service() {
  rm -f "$tmp/port"
  python3 "$root/tools/reputation_service.py" --port 0 --port-file "$tmp/port" "$@" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 200); do [ -s "$tmp/port" ] && break; sleep 0.02; done
  [ -s "$tmp/port" ] || { echo "bench: the reputation service did not start"; exit 1; }
  base="http://127.0.0.1:$(cat "$tmp/port")"
  export VANTORILE_REPUTATION_URL="$base"
}
