#!/usr/bin/env bash
# Grades in the real main window with the reference service at 100 ms per answer: time
# from the scan's start to the last grade, beside the same lookups made one after another
# with QueryReputation, and the window's longest wait to answer. Needs a display: starts
# Xvfb and openbox on a free one. Extra arguments go to bench_list_latency.
set -u
. "$(dirname "$0")/common.sh"
bench_build bench_list_latency
bench_display
bench_service --delay 0.1
bench_wine
wine "$exe" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
