#!/usr/bin/env bash
# Speed of the autostart scan over generated services and values beside a bare loop of the
# same system calls, under the same Wine prefix in one run. Extra arguments go to
# bench_autostart_scan (--services, --values, --runs).
set -u
. "$(dirname "$0")/common.sh"
bench_build bench_autostart_scan
bench_wine --own-server
wine "$exe" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
