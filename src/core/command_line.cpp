#include "core/command_line.h"

#include <algorithm>
#include <string>

#include <wx/cmdline.h>
#include <wx/ffile.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgout.h>

#include "core/registry.h"

namespace {

const wxCmdLineEntryDesc kCommandLine[] = {
    {wxCMD_LINE_SWITCH, "h", "help", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "v", "verbose", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "l", "logfile", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "c", "config", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "f", "fallback", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "n", "nostream", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "r", "rebuild", nullptr, wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_OPTION, "s", "source", nullptr, wxCMD_LINE_VAL_NUMBER, 0},
    {wxCMD_LINE_OPTION, "m", "mode", nullptr, wxCMD_LINE_VAL_NUMBER, 0},
    {wxCMD_LINE_OPTION, "d", "debug", nullptr, wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, "o", "override", nullptr, wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_NONE, nullptr, nullptr, nullptr, wxCMD_LINE_VAL_NONE, 0},
};

// The parser prints its own usage and error texts through wxMessageOutput; during the
// parse they go to a suppressed log instead of a console or a message box.
class QuietMessageOutput {
public:
    QuietMessageOutput() : previous_(wxMessageOutput::Set(&toLog_)) {}
    ~QuietMessageOutput() { wxMessageOutput::Set(previous_); }
    QuietMessageOutput(const QuietMessageOutput&) = delete;
    QuietMessageOutput& operator=(const QuietMessageOutput&) = delete;

private:
    wxLogNull noLog_;
    wxMessageOutputLog toLog_;
    wxMessageOutput* previous_;
};

// 0 parsed, anything else a syntax error (the parser never reports help itself:
// "h" is an ordinary switch so that a malformed line wins over it).
int Parse(wxCmdLineParser& parser) {
    const QuietMessageOutput quiet;
    return parser.Parse(false);
}

void EvaluateProfile(const wxCmdLineParser& parser, int profileCount, StartOptions& options,
                     CommandLineOutcome& outcome) {
    long given = 0;
    if (!parser.Found("s", &given)) {
        options.profileIndex = 0;
        return;
    }
    const long index = given - 1;
    if (index < 0 || index >= profileCount) {
        outcome.messages.emplace_back(
            wxString::Format(_(L"Die angegebene Stream-Quelle #%d ist ungültig!"), static_cast<int>(given)),
            MessageIcon::Exclamation);
        options.profileIndex = 0;
        return;
    }
    options.profileIndex = static_cast<int>(index);
}

void EvaluateTexts(const wxCmdLineParser& parser, StartOptions& options) {
    long mode = 0;
    if (parser.Found("m", &mode))
        options.startMode = (mode < 0 || mode > 3) ? 0 : static_cast<int>(mode);
    wxString level;
    if (parser.Found("d", &level))
        options.gstDebugLevel = level.empty() ? wxString("0") : level;
    wxString ref;
    if (parser.Found("o", &ref) && !ref.empty()) {
        options.startServiceRef = ref;
        options.skipReceiverState = true;
    }
}

void EvaluateOptions(const wxCmdLineParser& parser, int profileCount, StartOptions& options,
                     CommandLineOutcome& outcome) {
    if (parser.Found("v"))
        options.verbose = true;
    if (parser.Found("l"))
        options.debugDump = true;
    if (parser.Found("c"))
        options.configMode = true;
    if (parser.Found("f"))
        options.fallbackVideo = true;
    options.skipReceiverState = parser.Found("n");
    if (parser.Found("r")) {
        outcome.deleteRegistry = true;
        outcome.registryMessagePos = outcome.messages.size();
    }
    EvaluateProfile(parser, profileCount, options, outcome);
    EvaluateTexts(parser, options);
}

} // namespace

wxString CommandLineHelpText() {
    return _(L"unterstützte Kommandozeilen-Parameter:\n\n"
             L"-c, --config\n\tKonfigurationsdialog anzeigen\n\n"
             L"-d, --debug=Level\n\tGStreamer Debuglevel\n\n"
             L"-f, --fallback\n\tlangsame/kompatible Videoausgabe verwenden\n\n"
             L"-h, --help\n\tHilfe anzeigen\n\n"
             L"-l, --logfile\n\tLogdatei schreiben\n\n"
             L"-m, --mode=n\n\tStartmodus (1=Fenster, 2=Vollbild, 3=Desktop)\n\n"
             L"-o, --override=sRef\n\tStartkanal-ServiceReferenz angeben\n\n"
             L"-r, --rebuild\n\tGStreamer-Registry neu erstellen\n\n"
             L"-s, --source=n\n\tBox #n verwenden\n\n"
             L"-v, --verbose\n\tHinweise aktivieren\n\n");
}

CommandLineOutcome EvaluateCommandLine(const wxArrayString& args, int profileCount, StartOptions& options) {
    CommandLineOutcome outcome;
    // The parser takes argv-style arrays only; argv[0] is the program name.
    std::vector<std::wstring> storage{L"tessaro"};
    for (const wxString& arg : args)
        storage.push_back(arg.ToStdWstring());
    std::vector<wchar_t*> argv;
    for (std::wstring& arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    wxCmdLineParser parser(kCommandLine);
    parser.SetSwitchChars("-");
    parser.SetCmdLine(static_cast<int>(storage.size()), argv.data());
    if (Parse(parser) != 0) {
        outcome.action = CommandLineOutcome::EndAfterMessage;
        outcome.messages.emplace_back(_(L"Ein Kommandozeilen-Parameter ist fehlerhaft!\n\nDie möglichen "
                                        L"Parameter können mit -h oder --help angezeigt werden..."),
                                      MessageIcon::Error);
        return outcome;
    }
    if (parser.Found("h")) {
        outcome.action = CommandLineOutcome::EndAfterMessage;
        outcome.messages.emplace_back(CommandLineHelpText(), MessageIcon::Information);
        return outcome;
    }
    EvaluateOptions(parser, profileCount, options, outcome);
    return outcome;
}

bool CreateDebugDump(const wxString& dataDir) {
    wxFFile dump;
    return dump.Open(dataDir + "tessaro.dbg", "w") && dump.Close();
}

void ApplyCommandLineEffects(CommandLineOutcome& outcome, const StartOptions& options,
                             const wxString& dataDir, const wxString& cacheDir) {
    if (options.debugDump && !CreateDebugDump(dataDir))
        wxLogWarning("Cannot create %stessaro.dbg", dataDir);
    if (!outcome.deleteRegistry)
        return;
    wxString message;
    MessageIcon icon = MessageIcon::Information;
    DeleteGStreamerRegistry(cacheDir, message, icon);
    const size_t pos = std::min(outcome.registryMessagePos, outcome.messages.size());
    outcome.messages.insert(outcome.messages.begin() + static_cast<std::ptrdiff_t>(pos), {message, icon});
    outcome.deleteRegistry = false; // done; a second call must not delete or report again
}

void ShowCommandLineMessages(const CommandLineOutcome& outcome) {
    for (const auto& [text, icon] : outcome.messages)
        ShowMessage(text, icon, nullptr);
}
