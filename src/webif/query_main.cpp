// tessaro-query: runs one receiver query with the program's own transport and parsers
// and prints what they read, one item a line, tab-separated.
// Exit status: 0 success, 1 request failed, 2 usage error.
#include <clocale>
#include <cstdio>
#include <map>
#include <vector>

#include <wx/init.h>
#include <wx/log.h>

#include "core/message.h"
#include "core/paths.h"
#include "core/settings_store.h"
#include "webif/plain_state_view.h"
#include "webif/query_output.h"
#include "webif/service_list.h"
#include "webif/web_request.h"

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

int Services(const wxString& which) {
    const int kind = ServiceListKindByName(which);
    if (kind < 0)
        return 2;
    if (!WebRequest(ServiceListCommand(kind)))
        return 1;
    ServiceListModel model;
    AppendServiceList(model, kind, WebAnswer(), wxString());
    Print(FormatServiceLines(model, kind));
    return 0;
}

int NowNext(PlainStateView& view) {
    if (!QueryNowNext(view, true) || !QueryNowNext(view, false))
        return 1;
    const auto& t = view.staticTexts;
    std::printf("now\t%s\t%s\t%s\n", t[1].utf8_str().data(), view.state.nowEventText.utf8_str().data(),
                t[3].utf8_str().data());
    std::printf("next\t%s\t%s\t%s\n", t[4].utf8_str().data(), view.state.nextEventText.utf8_str().data(),
                t[6].utf8_str().data());
    return 0;
}

int AudioTracks() {
    if (!WebRequest("getaudiotracks"))
        return 1;
    std::vector<AudioTrack> tracks;
    if (!ParseAudioTracks(WebAnswer(), tracks))
        return 1;
    Print(FormatAudioTracks(tracks));
    return 0;
}

int SubServices(PlainStateView& view) {
    if (!WebRequest("streamsubservices?sRef=" + std::string(view.state.currentServiceRef.utf8_str())))
        return 1;
    std::vector<SubService> services;
    ParseSubServices(WebAnswer(), services);
    for (const SubService& s : services)
        std::printf("%s\t%s\n", s.ref.utf8_str().data(), s.name.utf8_str().data());
    return 0;
}

int Run(const std::vector<wxString>& w) {
    const wxString& cmd = w[0];
    const size_t n = w.size();
    if (cmd == "deviceinfo" && n == 1) {
        if (!WebRequest("deviceinfo"))
            return 1;
        Print(FormatFlatAnswer(WebAnswer(), "e2deviceinfo"));
        return 0;
    }
    if (cmd == "standby" && n == 1) {
        if (!WebRequest("powerstate?newstate=-1"))
            return 1;
        std::printf("standby\t%s\n", ParseStandby(WebAnswer()) ? "true" : "false");
        return 0;
    }
    if (cmd == "services" && n == 2)
        return Services(w[1]);
    if (cmd == "audiotracks" && n == 1)
        return AudioTracks();
    if (cmd == "similar" && n == 3) {
        if (!WebRequest("epgsimilar?sRef=" + std::string(w[1].utf8_str()) +
                        "&eventid=" + std::string(w[2].utf8_str())))
            return 1;
        wxString text = FormatSimilarEvents(WebAnswer());
        text.Replace(" - ", "\t");
        std::printf("%s\n", text.Mid(text.StartsWith("\n") ? 1 : 0).utf8_str().data());
        return 0;
    }
    if ((cmd != "current" && cmd != "nownext" && cmd != "subservices") || n != 1)
        return 2;
    PlainStateView view;
    if (!QueryCurrentService(view))
        return 1;
    if (cmd == "nownext")
        return NowNext(view);
    if (cmd == "subservices")
        return SubServices(view);
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
    Web().settings = &settings;
    // The status texts the program shows during start-up tell the user what failed.
    Web().startupReporting = true;
    SetMessageHandler([](const wxString& text, MessageIcon, wxWindow*) {
        std::fprintf(stderr, "%s\n", text.utf8_str().data());
        return 0;
    });
    const int rc = Run(args.words);
    if (rc == 2)
        std::fputs(kUsage, stderr);
    return rc;
}
