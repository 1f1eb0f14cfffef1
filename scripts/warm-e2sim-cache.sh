#!/usr/bin/env bash
# Starts the receiver simulator once so that its recording cache exists, then stops it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp)
"$root/tools/e2sim/e2sim" "$@" >"$out" 2>/dev/null &
pid=$!
for _ in $(seq 1 1800); do
    grep -q '^e2sim ready' "$out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
rm -f "$out"
