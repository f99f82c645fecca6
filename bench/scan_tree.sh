#!/usr/bin/env bash
# Tree-walk speed of the folder and registry scanners beside "cmd /c dir /s /b" and
# "reg query /s" over the same generated trees, under the same Wine prefix in one run.
# Extra arguments go to bench_scan_tree (--folders, --files-per-folder, --keys, --values, --runs).
set -u
. "$(dirname "$0")/common.sh"
bench_build bench_scan_tree
bench_wine --own-server
wine "$exe" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
