#!/usr/bin/env bash
# Runs a command under a private Xvfb whose display number the server picks itself
# (-displayfd), so that tests started in parallel never race for the same display.
set -u
fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo_dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 30 number <"$fifo_dir/display"
rm -rf "$fifo_dir"
if [ -z "${number:-}" ]; then
    echo "with-xvfb: Xvfb did not start" >&2
    kill "$xvfb_pid" 2>/dev/null
    exit 1
fi
export DISPLAY=":$number"
"$@"
status=$?
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
exit $status
