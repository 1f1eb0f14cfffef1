#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite (GUI tests under Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build=${TESSARO_BUILD_DIR:-$root/build}
# Tests must never reach a proxy or another host.
unset http_proxy https_proxy ftp_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
# The simulator encodes its recording files once into ~/.cache/e2sim; do it before
# the tests so that parallel tests don't wait for it.
"$root/scripts/warm-e2sim-cache.sh"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600 "$@"
