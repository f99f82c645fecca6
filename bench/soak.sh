#!/usr/bin/env bash
# Soak of one running main window under Wine: bench_soak rescans both panels and opens the
# details window again and again, and prints handles, USER/GDI objects and private bytes at
# the start, after a warm-up and at the end (growth after the warm-up must stay under 1%).
# Starts the reference service, and Xvfb with openbox when no display is set.
# Extra arguments go to bench_soak (--processes, --startup, --details, --warmup).
set -u
. "$(dirname "$0")/common.sh"
bench_build bench_soak
[ -n "${DISPLAY:-}" ] || bench_display
bench_service
bench_wine --own-server
wine "$exe" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
