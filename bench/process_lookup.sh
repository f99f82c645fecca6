#!/usr/bin/env bash
# Process scan cost and reputation lookup rate. Starts the reference service on a free
# loopback port, runs bench_process_lookup under Wine, then curl over the same URLs in one
# keep-alive run, and prints our lookup rate as a share of curl's (target: >= 0.80).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VT_BUILD_DIR:-$root/build}
count=${VT_BENCH_LOOKUPS:-1000}
rounds=${VT_BENCH_ROUNDS:-5}

# VT_BENCH_SKIP_BUILD=1 measures the program already built (while other parts of the
# tree are being edited and do not compile).
if [ "${VT_BENCH_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
  if ! log=$(cmake --build "$build/win64" --target bench_process_lookup 2>&1); then
    echo "$log" | grep -m 5 -E 'error|FAILED'
    echo "bench: build failed"
    exit 1
  fi
fi
exe="$build/win64/bench/bench_process_lookup.exe"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
tmp=$(mktemp -d)
svc=""
cleanup() {
  [ -n "$svc" ] && kill "$svc" 2>/dev/null && wait "$svc" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

python3 "$root/tools/reputation_service.py" --port 0 --port-file "$tmp/port" >/dev/null 2>&1 &
svc=$!
for _ in $(seq 1 200); do [ -s "$tmp/port" ] && break; sleep 0.02; done
[ -s "$tmp/port" ] || { echo "bench: the reputation service did not start"; exit 1; }
base="http://127.0.0.1:$(cat "$tmp/port")"
export VANTORILE_REPUTATION_URL="$base"

# Known names from the verdict table and unknown ones, plain ASCII so both clients send
# the very same URLs.
{
  grep -v '^#' "$root/tools/verdicts.txt" | cut -f1 | grep -v '^$'
  for i in $(seq 1 "$count"); do echo "program$i.exe"; done
} | head -n "$count" >"$tmp/names.txt"
n=$(wc -l <"$tmp/names.txt")

[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1  # start the prefix's services before measuring
out=$(wine "$exe" --names "$(winepath -w "$tmp/names.txt" 2>/dev/null)" --rounds "$rounds" | tr -d '\r')
echo "$out" | grep -v '^LOOKUPS_PER_SEC='
ours=$(echo "$out" | sed -n 's/^LOOKUPS_PER_SEC=//p')
[ -n "$ours" ] || { echo "bench: no lookup rate from the Wine program"; exit 1; }

while read -r name; do
  printf 'url = "%s/api.php?q=%s"\noutput = "/dev/null"\n' "$base" "$name"
done <"$tmp/names.txt" >"$tmp/curl.cfg"
# Best of the same number of rounds as ours, on the same shared machine.
curl_rate=0
for _ in $(seq 1 "$rounds"); do
  start=$(date +%s.%N)
  curl -s -K "$tmp/curl.cfg" || { echo "bench: curl failed"; exit 1; }
  end=$(date +%s.%N)
  curl_rate=$(echo "r = $n / ($end - $start); if (r > $curl_rate) r else $curl_rate" | bc -l)
done

printf 'curl (one keep-alive run per round, best of %d): %.0f/s over %d names\n' "$rounds" "$curl_rate" "$n"
printf 'ratio ours/curl: %.2f (target >= 0.80)\n' "$(echo "$ours / $curl_rate" | bc -l)"
