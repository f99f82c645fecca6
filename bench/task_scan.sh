#!/usr/bin/env bash
# Scheduled task scan over 1,000 generated task files beside a bare loop reading and
# parsing the same files with the same parser, under the same Wine prefix in one run.
# Extra arguments go to bench_task_scan (--tasks, --per-folder, --runs).
set -u
. "$(dirname "$0")/common.sh"
bench_build bench_task_scan
bench_wine --own-server
wine "$exe" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
