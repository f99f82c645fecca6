#!/usr/bin/env bash
# Signature check and hashing speed. bench_signatures makes N programs of 1 MiB in a
# folder of this run and prints the check through FileSignature beside a bare loop of the
# same system calls (target <= 1.15) and its hashing time; then sha256sum hashes the same
# files here, checking the digests the program wrote, and the ratio of the two is printed.
# VT_BENCH_FILES (200) and VT_BENCH_ROUNDS (3) set the size of the run.
set -u
files=${VT_BENCH_FILES:-200}
rounds=${VT_BENCH_ROUNDS:-3}
. "$(dirname "$0")/common.sh"
bench_build bench_signatures
bench_wine --own-server
mkdir -p "$tmp/files"
out=$(set -o pipefail; wine "$exe" --dir "$(winepath -w "$tmp/files" 2>/dev/null)" --files "$files" --runs "$rounds" |
  tr -d '\r')
rc=$?
echo "$out"
ours=$(echo "$out" | sed -n 's/^HASH_SECONDS=\([0-9.]*\).*/\1/p')
[ -n "$ours" ] || { echo "bench: no hashing time from the Wine program"; exit 1; }

cd "$tmp/files" || exit 1
sha256sum -c --quiet hashes.txt || { echo "bench: the digests differ from sha256sum's"; exit 1; }
peer=1000000
for _ in $(seq 1 "$rounds"); do
  start=$(date +%s.%N)
  sha256sum program*.exe >/dev/null
  end=$(date +%s.%N)
  peer=$(echo "t = $end - $start; if (t < $peer) t else $peer" | bc -l)
done
printf 'sha256sum over the same %d files (best of %d): %.4f s (%.0f MB/s); the digests agree\n' \
  "$files" "$rounds" "$peer" "$(echo "$files / $peer" | bc -l)"
printf 'HASH_VS_SHA256SUM=%.2f (FileSignature::Sha256 time / sha256sum time)\n' "$(echo "$ours / $peer" | bc -l)"
exit "$rc"
