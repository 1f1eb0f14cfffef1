// tessaro-query: runs one receiver query with the program's own transport and parsers
// and prints what they read, one item a line, tab-separated.
// Exit status: 0 success, 1 request failed or answer unreadable, 2 usage error.
#include <clocale>
#include <cstdio>
#include <map>
#include <vector>

#include <wx/init.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "core/paths.h"
#include "core/settings_store.h"
#include "webif/plain_state_view.h"
#include "webif/query_output.h"
#include "webif/receiver_client.h"
#include "webif/service_list.h"
#include "webif/state_queries.h"
#include "webif/web_answer.h"
#include "webif/web_commands.h"

namespace {

const char* const kUsage =
    "usage: tessaro-query [--host H --port P [--user U] [--pass P] [--https]] [--profile N] [-v] COMMAND\n"
    "commands: deviceinfo | standby | current | services tv|radio|tv-providers|radio-providers |\n"
    "          nownext | audiotracks | subservices | similar SREF EVENTID\n"
    "Without --host the active profile of tessaro.cfg is used.\n";

// Errors and (with -v) verbose lines go to stderr as plain text.
class StderrLog : public wxLog {
protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override {
        std::fprintf(stderr, "%s\n", msg.utf8_str().data());
    }
};

struct Args {
    std::map<wxString, wxString> options;
    bool https = false;
    bool verbose = false;
    std::vector<wxString> words;
};

bool ParseArgs(int argc, char** argv, Args& a) {
    for (int i = 1; i < argc; ++i) {
        const wxString arg = wxString::FromUTF8(argv[i]);
        if (arg == "--https") {
            a.https = true;
        } else if (arg == "-v") {
            a.verbose = true;
        } else if (arg.StartsWith("--")) {
            if (i + 1 >= argc || (arg != "--host" && arg != "--port" && arg != "--user" && arg != "--pass" &&
                                  arg != "--profile"))
                return false;
            a.options[arg] = wxString::FromUTF8(argv[++i]);
        } else {
            a.words.push_back(arg);
        }
    }
    return !a.words.empty();
}

bool SetUpProfile(const Args& a, AppSettings& settings) {
    if (a.options.count("--host")) {
        ReceiverProfile& p = settings.profiles[0];
        p.Name = "tessaro-query";
        p.Host = a.options.at("--host");
        p.User = a.options.count("--user") ? a.options.at("--user") : wxString("root");
        p.Pass = a.options.count("--pass") ? a.options.at("--pass") : wxString();
        p.Https = a.https ? 1 : 0;
        p.SPort = 8001;
        if (!a.options.count("--port") || !a.options.at("--port").ToLong(&p.WPort) || p.WPort <= 0)
            p.WPort = a.https ? 443 : 80;
        settings.activeProfile = 0;
        return true;
    }
    StartOptions options;
    const int usable = LoadSettingsFrom(settings, options, Paths().dataDir);
    long index = 1;
    if (a.options.count("--profile") &&
        (!a.options.at("--profile").ToLong(&index) || index < 1 || index > usable))
        return false;
    settings.activeProfile = static_cast<int>(index - 1);
    return usable > 0;
}

void Print(const std::vector<wxString>& lines) {
    for (const wxString& l : lines)
        std::printf("%s\n", l.utf8_str().data());
}

// Says why a query failed, as the program's start-up would: the transport or status
// message, or that the answer could not be read. Returns the exit status.
int Failed(const QueryOutcome& outcome, const ReceiverClient& client) {
    const wxString text = outcome.reply.Ok()
                              ? wxString(_("Die Antwort des Receivers ist unlesbar!"))
                              : StartupFailureMessage(outcome.reply, client.Connection().profile,
                                                      Paths().dataDir + "tessaro.cfg");
    std::fprintf(stderr, "%s\n", text.utf8_str().data());
    return 1;
}

int Services(const ReceiverClient& client, const wxString& which) {
    const int kind = ServiceListKindByName(which);
    if (kind < 0)
        return 2;
    ServiceListModel model;
    const QueryOutcome outcome = GetAndRead(client, ServiceListCommand(kind), [&](const wxString& answer) {
        return AppendServiceList(model, kind, answer, wxString());
    });
    if (!outcome)
        return Failed(outcome, client);
    Print(FormatServiceLines(model, kind));
    return 0;
}

int NowNext(const ReceiverClient& client, PlainStateView& view) {
    for (bool now : {true, false}) {
        const QueryOutcome outcome = QueryNowNext(client, view, now);
        if (!outcome)
            return Failed(outcome, client);
    }
    const auto& t = view.staticTexts;
    std::printf("now\t%s\t%s\t%s\n", t[1].utf8_str().data(), view.state.nowEventText.utf8_str().data(),
                t[3].utf8_str().data());
    std::printf("next\t%s\t%s\t%s\n", t[4].utf8_str().data(), view.state.nextEventText.utf8_str().data(),
                t[6].utf8_str().data());
    return 0;
}

int AudioTracks(const ReceiverClient& client) {
    std::vector<AudioTrack> tracks;
    const QueryOutcome outcome = GetAndRead(client, AudioTracksCommand(), [&](const wxString& answer) {
        return ParseAudioTracks(answer, tracks);
    });
    if (!outcome)
        return Failed(outcome, client);
    Print(FormatAudioTracks(tracks));
    return 0;
}

int SubServices(const ReceiverClient& client, const PlainStateView& view) {
    std::vector<SubService> services;
    const QueryOutcome outcome =
        GetAndRead(client, SubServicesCommand(view.state.currentServiceRef),
                   [&](const wxString& answer) { return ParseSubServices(answer, services); });
    if (!outcome)
        return Failed(outcome, client);
    for (const SubService& s : services)
        std::printf("%s\t%s\n", s.ref.utf8_str().data(), s.name.utf8_str().data());
    return 0;
}

int DeviceInfo(const ReceiverClient& client) {
    std::vector<wxString> lines;
    const QueryOutcome outcome = GetAndRead(client, DeviceInfoCommand(), [&](const wxString& answer) {
        lines = FormatFlatAnswer(answer, "e2deviceinfo");
        return ParseWebAnswer(answer, "e2deviceinfo").Root().IsValid();
    });
    if (!outcome)
        return Failed(outcome, client);
    Print(lines);
    return 0;
}

int Standby(const ReceiverClient& client) {
    bool standby = false;
    const QueryOutcome outcome = QueryStandby(client, standby);
    if (!outcome)
        return Failed(outcome, client);
    std::printf("standby\t%s\n", standby ? "true" : "false");
    return 0;
}

int Similar(const ReceiverClient& client, const wxString& sRef, const wxString& eventId) {
    wxString text;
    const QueryOutcome outcome = QuerySimilarEvents(client, sRef, eventId, text);
    if (!outcome)
        return Failed(outcome, client);
    text.Replace(" - ", "\t");
    std::printf("%s\n", text.Mid(text.StartsWith("\n") ? 1 : 0).utf8_str().data());
    return 0;
}

int Run(const ReceiverClient& client, const std::vector<wxString>& w) {
    const wxString& cmd = w[0];
    const size_t n = w.size();
    if (cmd == "deviceinfo" && n == 1)
        return DeviceInfo(client);
    if (cmd == "standby" && n == 1)
        return Standby(client);
    if (cmd == "services" && n == 2)
        return Services(client, w[1]);
    if (cmd == "audiotracks" && n == 1)
        return AudioTracks(client);
    if (cmd == "similar" && n == 3)
        return Similar(client, w[1], w[2]);
    if ((cmd != "current" && cmd != "nownext" && cmd != "subservices") || n != 1)
        return 2;
    PlainStateView view;
    const QueryOutcome outcome = QueryCurrentService(client, view);
    if (!outcome)
        return Failed(outcome, client);
    if (cmd == "nownext")
        return NowNext(client, view);
    if (cmd == "subservices")
        return SubServices(client, view);
    std::printf("reference\t%s\nname\t%s\ntype\t%d\n", view.state.currentServiceRef.utf8_str().data(),
                view.state.currentServiceName.utf8_str().data(), view.state.currentItemType);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The German source texts (umlauts) pass through _(), which converts with the locale.
    std::setlocale(LC_ALL, "C.UTF-8");
    wxInitializer init;
    if (!init.IsOk())
        return 1;
    Args args;
    if (!ParseArgs(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    delete wxLog::SetActiveTarget(new StderrLog);
    wxLog::SetVerbose(args.verbose);
    InitPaths();
    static AppSettings settings;
    if (!SetUpProfile(args, settings)) {
        std::fputs("tessaro-query: no usable receiver profile\n", stderr);
        return 2;
    }
    // Only Get is used: replies never need to reach another thread.
    const ReceiverClient client(ConnectionOf(settings, false, Paths().dataDir), {});
    const int rc = Run(client, args.words);
    if (rc == 2)
        std::fputs(kUsage, stderr);
    return rc;
}
