#!/usr/bin/env bash
# Process scan cost and reputation lookup rate. Starts the reference service on a free
# loopback port, runs bench_process_lookup under Wine, then curl over the same URLs in one
# keep-alive run, and prints our lookup rate as a share of curl's (target: >= 0.80).
set -u
count=${VT_BENCH_LOOKUPS:-1000}
rounds=${VT_BENCH_ROUNDS:-5}
. "$(dirname "$0")/common.sh"

# VT_BENCH_SKIP_BUILD=1 measures the program already built (while other parts of the
# tree are being edited and do not compile).
bench_build bench_process_lookup
bench_service

# Known names from the verdict table and unknown ones, plain ASCII so both clients send
# the very same URLs.
{
  grep -v '^#' "$root/tools/verdicts.txt" | cut -f1 | grep -v '^$'
  for i in $(seq 1 "$count"); do echo "program$i.exe"; done
} | head -n "$count" >"$tmp/names.txt"
n=$(wc -l <"$tmp/names.txt")

bench_wine
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
