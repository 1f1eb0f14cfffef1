// tessaro-probe's run: the program's own player and supervisor play one source
// headless for a few seconds, behind a view that keeps the supervisor's timers and
// carries out its commands, so that retries, resyncs and the data watchdog act as
// they do in the main window. What happened becomes a ProbeOutcome.
#pragma once

#include "stream/player.h"
#include "stream/probe_report.h"
#include "stream/stream_supervisor.h"

struct AppSettings;
struct StartOptions;

struct ProbeRequest {
    StreamSource source;
    int seconds = 10; // the run ends earlier only when the supervisor gives up
};

// The player must have been initialised (with sinks that need no display). The
// settings and options stay alive during the run. On the thread that runs GLib's
// default main context (the bus watch) and wx's pending events.
ProbeOutcome RunProbe(Player& player, const AppSettings& settings, const StartOptions& options,
                      const ProbeRequest& request, SupervisorIntervals intervals = {});
