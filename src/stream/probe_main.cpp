// tessaro-probe: plays one service URL or transport-stream file headless with the
// program's own engine and prints the tracks it linked and how the start went, so
// that users and support can see why a channel has no sound or picture.
// Exit status: 0 playing, 1 any other result, 2 usage error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/init.h>
#include <wx/log.h>

#include "core/options.h"
#include "core/settings.h"
#include "stream/probe_session.h"
#include "stream/stream_settings.h"

namespace {

const char* const kUsage =
    "usage: tessaro-probe [--program N] [--seconds S] [--user U --pass P] [-v] URL|FILE\n";

// With -v the engine's log lines go to stderr; stdout keeps the report alone.
class StderrLog : public wxLog {
protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override {
        std::fprintf(stderr, "%s\n", msg.utf8_str().data());
    }
};

bool ParseNumber(const char* text, long low, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end && *end == '\0' && value >= low;
}

bool ParseArgs(int argc, char** argv, ProbeRequest& request, bool& verbose) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long number = 0;
        if (arg == "-v") {
            verbose = true;
        } else if (arg.rfind("--", 0) == 0) {
            if (i + 1 >= argc)
                return false;
            const char* value = argv[++i];
            if (arg == "--program" && ParseNumber(value, 1, number))
                request.source.programme = static_cast<int>(number);
            else if (arg == "--seconds" && ParseNumber(value, 1, number))
                request.seconds = static_cast<int>(number);
            else if (arg == "--user")
                request.source.user = wxString::FromUTF8(value);
            else if (arg == "--pass")
                request.source.password = wxString::FromUTF8(value);
            else
                return false;
        } else if (request.source.url.empty()) {
            request.source.url = wxString::FromUTF8(arg.c_str());
        } else {
            return false;
        }
    }
    return !request.source.url.empty();
}

} // namespace

int main(int argc, char** argv) {
    ProbeRequest request;
    bool verbose = false;
    if (!ParseArgs(argc, argv, request, verbose)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    wxInitializer wx;
    if (!wx.IsOk())
        return 1;
    wxLog::EnableLogging(verbose);
    delete wxLog::SetActiveTarget(new StderrLog);
    wxLog::SetVerbose(verbose);
    AppSettings settings;
    settings.general.VideoSink = "fakesink";
    settings.general.AudioSink = "fakesink";
    settings.general.TVControl = 0; // nothing is asked of a receiver
    StartOptions options;
    options.verbose = verbose;
    // The player sets GStreamer's debug level from the options: keep one given to the tool.
    if (const char* level = std::getenv("GST_DEBUG"))
        options.gstDebugLevel = level;
    Player player;
    ProbeOutcome outcome;
    if (!player.Init(StreamSettingsOf(settings, options))) {
        outcome.result = ProbeResult::Error;
        outcome.error = "missing GStreamer plug-ins";
    } else {
        outcome = RunProbe(player, settings, options, request);
    }
    for (const ProbeTrack& track : outcome.tracks)
        std::printf("%s\n", TrackLine(track).c_str());
    std::printf("%s\n", ResultLine(outcome).c_str());
    return ProbeExitCode(outcome);
}
