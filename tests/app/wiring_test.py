#!/usr/bin/env python3
"""Checks that the wiring stays visible in the sources: only the application folder
reaches for the application object, the layers below the windows never include window
code, and GStreamer's threads read only the settings copy their stream started with (in
the engine, only the copy's maker and the GUI-thread supervisor see the live settings)."""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1]) / "src"
failures = []

for path in sorted(src.rglob("*.[ch]*")):
    rel = path.relative_to(src).as_posix()
    text = path.read_text(encoding="utf-8", errors="replace")
    if not rel.startswith("app/") and re.search(r"\bwxGetApp\s*\(", text):
        failures.append(f"{rel}: wxGetApp() outside src/app")
    layer = rel.split("/", 1)[0]
    # tessaro-probe makes its settings and supervisor itself and runs them on its main thread.
    live_ok = {"stream/stream_settings.h", "stream/stream_settings.cpp", "stream/stream_supervisor.h",
               "stream/stream_supervisor.cpp", "stream/probe_main.cpp", "stream/probe_session.h",
               "stream/probe_session.cpp"}
    if layer == "stream" and rel not in live_ok and re.search(r"\bAppSettings\b", text):
        failures.append(f"{rel}: the engine reads the live settings")
    includes = re.findall(r'#include\s+"([a-z]+)/', text)
    # core is the foundation; webif and stream stand on it (the audio controls share the
    # receiver-state choice interface of webif).
    allowed = {"core": {"core"}, "webif": {"core", "webif"}, "stream": {"core", "stream", "webif"}}.get(layer)
    if allowed:
        for inc in includes:
            if inc not in allowed:
                failures.append(f"{rel}: {layer} includes {inc}/")

for f in failures:
    print(f)
sys.exit(1 if failures else 0)
