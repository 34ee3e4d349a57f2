#!/usr/bin/env bash
# `make bench`: every benchmark, with figures printed. No display needed.
set -euo pipefail
build="${1:-build}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for b in "$build"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b"
    echo
done
