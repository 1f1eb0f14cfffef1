#!/usr/bin/env bash
# Builds the streaming engine and its tests with ThreadSanitizer into ./build-tsan
# (or $TESSARO_TSAN_BUILD_DIR) and runs the tests of tests/stream under it. Extra
# arguments go to ctest (e.g. -R PlaybackTest). Reports of GLib, GStreamer and
# wxWidgets internals are suppressed by tests/tsan.supp; the rest fail the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${TESSARO_TSAN_BUILD_DIR:-$root/build-tsan}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_TSAN=ON \
    -DTESSARO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tests_stream tests_stream_integration tests_stream_stress \
    tests_stream_av tests_stream_av_integration
unset http_proxy https_proxy ftp_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY
"$root/scripts/warm-e2sim-cache.sh"
# The plug-in scanner runs in-process: a forked child of an instrumented process is
# not something TSan follows well.
export GST_REGISTRY_FORK=no
# GSlice would hand memory freed on one thread to another behind TSan's back.
export G_SLICE=always-malloc
# GLib, GStreamer and wxWidgets are not instrumented, and GLib's locks are futexes TSan
# cannot see: their own memory operations (malloc/free, memcpy in buffers and
# messages) are left out, races between our code and any other thread are reported.
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp ignore_noninstrumented_modules=1 halt_on_error=0 \
exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
ctest --test-dir "$build/tests/stream" --output-on-failure -j"$(nproc)" --timeout 1200 "$@"
