#!/bin/sh
# GStreamer's threads must read only the settings their stream started with: in the
# engine, only the snapshot (stream_settings.*) and the GUI-thread supervisor may
# reach the live settings. Argument: the engine's source folder.
cd "$1" || exit 2
found=$(grep -lE '(^|[^A-Za-z0-9_])Settings\(\)|AppSettings' -- *.h *.cpp |
    grep -vxE 'stream_settings\.(h|cpp)|stream_supervisor\.cpp')
if [ -n "$found" ]; then
    echo "live settings read in:" $found
    exit 1
fi
echo "no live settings read outside the snapshot and the supervisor"
