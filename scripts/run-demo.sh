#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated receiver on free loopback
# ports and runs Tessaro E2 against it with a throw-away home directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build=${TESSARO_BUILD_DIR:-$root/build}
demo_home=$(mktemp -d /tmp/tessaro-demo.XXXXXX)
sim_out="$demo_home/e2sim.out"
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$demo_home"
}
trap cleanup EXIT INT TERM

"$root/tools/e2sim/e2sim" >"$sim_out" 2>"$demo_home/e2sim.err" &
sim_pid=$!
for _ in $(seq 1 600); do
    grep -q '^e2sim ready' "$sim_out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$demo_home/e2sim.err" >&2; exit 1; }
    sleep 0.1
done
read -r web stream < <(sed -n 's/^e2sim ready web=\([0-9]*\) stream=\([0-9]*\).*/\1 \2/p' "$sim_out")
mkdir -p "$demo_home/.tessaro"
# "localhost", not 127.0.0.1: a first profile on 127.0.0.1 counts as unconfigured.
cat >"$demo_home/.tessaro/tessaro.cfg" <<CFG
[PROFILE1]
Name=Demo-Receiver
Host=localhost
User=root
Pass=tunerpwd
WPort=$web
SPort=$stream
Https=0
CFG
HOME="$demo_home" GDK_BACKEND=x11 "$build/bin/tessaro" "$@"
