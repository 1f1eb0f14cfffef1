#include "app/app.h"

#include <algorithm>
#include <thread>

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/snglinst.h>
#include <wx/toolbar.h>
#include <wx/tooltip.h>
#include <wx/xrc/xmlres.h>

#include "app/gui_messages.h"
#include "app/key_command.h"
#include "app/splash_frame.h"
#include "core/catalog.h"
#include "core/command_line.h"
#include "core/message.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/registry.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "extras/log_frame.h"
#include "extras/setup_dialog.h"
#include "resources/xml_resources.h"
#include "stream/player.h"
#include "ui/fullscreen_frame.h"
#include "ui/main_frame.h"
#include "ui/taskbar_icon.h"
#include "ui/video_frame.h"
#include "webif/receiver_client.h"

wxDEFINE_EVENT(KeyCommandEvent, wxCommandEvent);

MyApp& wxGetApp() {
    return *static_cast<MyApp*>(wxApp::GetInstance());
}

namespace {
constexpr int kStartupTimerMs = 250;
const char* const kInstanceName = "Tessaro E2";
} // namespace

MyApp::MyApp() = default;
MyApp::~MyApp() = default;

void MyApp::InstallMessageOutput() {
    InstallGuiMessageHandler();
}

bool MyApp::OnInit() {
    // Until the log window takes over, log lines go to the terminal: the toolkit's
    // default would open a message box for each error before any window exists.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    InstallMessageOutput();
    InitPaths();

    {
        wxLogNull noLog; // a missing system locale is no reason to complain
        locale = std::make_unique<wxLocale>();
        locale->Init(wxLANGUAGE_DEFAULT, wxLOCALE_LOAD_DEFAULT);
    }
    // The locale just chosen may be "C"; the German texts need a UTF-8 character set.
    EnsureUtf8CharacterSet();
    int profileCount = LoadSettingsFrom(settings, options, Paths().dataDir);
    if (profileCount == 0) {
        options.configMode = true;
        profileCount = 1;
        settings.profileCount = std::max(settings.profileCount, 1);
    }
    ChooseLanguageAndCatalog();

    if (!ContinueDespiteRunningCopy() || !EvaluateArguments(profileCount)) {
        EndEarly();
        return false;
    }
    RemoveProxyEnvironment();
    RegisterResources();
    RemoveStaleUpdate();

    Player::PrepareInBackground(options.gstDebugLevel.utf8_string());
    player = std::make_unique<Player>();
    context = std::make_unique<AppContext>(AppContext{settings, options, *this, *this, *player});
    Reconnect();
    CreateLongLivedWindows();
    ApplyTooltipSetting();
    LogStartNotes();
    return true;
}

void MyApp::ChooseLanguageAndCatalog() {
    wxLocale::AddCatalogLookupPathPrefix(Paths().programDir + "lng");
    translatorCredit = _("intern ");
    language = settings.general.Language;
    const LanguageChoice choice = ChooseLanguage(Paths().programDir, language);
    settings.general.Language = language;
    if (!choice.useCatalog)
        return;
    InstallCatalog(choice.moFile, language.Lower());
    const wxString credit = ReadTranslatorCredit(choice.moFile);
    if (!credit.empty())
        translatorCredit = credit;
}

bool MyApp::ContinueDespiteRunningCopy() {
    wxLogNull noLog;
    instanceChecker = std::make_unique<wxSingleInstanceChecker>();
    // The default place is the user's home directory: one lock per user.
    if (!instanceChecker->Create(kInstanceName) || !instanceChecker->IsAnotherRunning())
        return true;
    return ShowMessage(_("Tessaro läuft bereits auf diesem System.\n\nSoll es nochmal gestartet werden?"),
                       MessageIcon::Question) == wxYES;
}

bool MyApp::EvaluateArguments(int profileCount) {
    wxArrayString args;
    for (int i = 1; i < argc; ++i)
        args.Add(argv[i]);
    CommandLineOutcome outcome = EvaluateCommandLine(args, profileCount, options);
    if (outcome.action == CommandLineOutcome::Run)
        ApplyCommandLineEffects(outcome, options, Paths().dataDir, GStreamerCacheDir());
    ShowCommandLineMessages(outcome);
    settings.activeProfile = options.profileIndex;
    wxLog::SetVerbose(options.verbose);
    return outcome.action == CommandLineOutcome::Run;
}

void MyApp::RegisterResources() {
    wxInitAllImageHandlers();
    wxXmlResource::Get()->InitAllHandlers();
    InitXmlResources();
}

void MyApp::RemoveStaleUpdate() {
    // The online update check is not built yet; a left-over installer from an
    // earlier run is removed all the same.
    const wxString installer = Paths().dataDir + "update.run";
    if (wxFileName::FileExists(installer))
        wxRemoveFile(installer);
}

void MyApp::CreateLongLivedWindows() {
    logFrame = new MyLogFrame();
    if (!options.configMode)
        splashFrame = new MySplashFrame(*context);
    mainFrame = new MyMainFrame(*context);
    videoFrame = new MyVideoFrame(settings);
    fullscreenFrame = new MyFullscreenFrame();
    taskBarIcon = new MyTaskBarIcon();
    SetTopWindow(mainFrame);
}

void MyApp::ApplyTooltipSetting() {
    if (settings.general.Tooltips)
        return;
    wxToolTip::Enable(false);
    if (wxToolBar* toolBar = mainFrame->GetToolBar())
        toolBar->SetWindowStyleFlag(toolBar->GetWindowStyleFlag() | wxTB_NO_TOOLTIPS);
}

void MyApp::LogStartNotes() {
    if (options.fallbackVideo)
        wxLogWarning(_("Kompatibilitätsmodus aktiv!"));
    const AppSettings::Proxy& proxy = settings.proxy;
    if (proxy.InUse()) {
        // The password is masked: the log is copied and saved by users.
        wxLogMessage(_("Verbindung über Proxy [%s:%s@%s:%d]"), proxy.User, wxString('*', proxy.Pass.length()),
                     proxy.Host, static_cast<int>(proxy.Port));
    }
}

void MyApp::EndEarly() {
    instanceChecker.reset();
}

int MyApp::OnRun() {
    if (options.configMode) {
        int code = 0;
        {
            MySetupDialog dialog(nullptr, settings, Paths().dataDir);
            dialog.CentreOnScreen();
            code = dialog.ShowModal();
        }
        if (code == 1) {
            // The dialog may have changed the profiles: the menu and the connection follow.
            mainFrame->RefreshProfileMenu();
            Reconnect();
            splashFrame = new MySplashFrame(*context);
            StartStartupTimer();
        } else {
            ShowMessage(
                _("Es wurde keine gültige Konfiguration gefunden!\n\nDas Programm wird nun beendet..."),
                MessageIcon::Error);
            mainFrame->Close(true);
        }
    } else {
        StartStartupTimer();
    }
    return wxApp::OnRun();
}

void MyApp::StartStartupTimer() {
    mainFrame->startupTimer.SetOwner(splashFrame, MySplashFrame::kStartupTimerId);
    mainFrame->startupTimer.StartOnce(kStartupTimerMs);
}

ReceiverClient& MyApp::Client() {
    return *receiverClient;
}

void MyApp::Reconnect() {
    if (receiverClient) {
        // Its transfers are cancelled at once, but joining its workers can take up to a
        // second: the old client goes on a thread of its own, not on this one.
        std::thread([old = std::move(receiverClient)]() mutable { old.reset(); }).detach();
    }
    const ReceiverConnection connection = ConnectionOf(settings, options.debugDump, Paths().dataDir);
    // Replies reach the GUI thread through the application's pending-call queue.
    receiverClient = std::make_unique<ReceiverClient>(
        connection, [](std::function<void()> call) { wxTheApp->CallAfter(std::move(call)); });
}

int MyApp::OnExit() {
    // Transfers still running are cancelled; their replies would find no window.
    receiverClient.reset();
    instanceChecker.reset();
    return 0;
}

int MyApp::FilterEvent(wxEvent& event) {
    if (event.GetEventType() != wxEVT_KEY_DOWN)
        return Event_Skip;
    auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (window == nullptr)
        return Event_Skip;
    wxCommandEvent command(KeyCommandEvent, static_cast<wxKeyEvent&>(event).GetKeyCode());
    command.SetEventObject(window);
    // A key no window used goes on to the native control (typing into text fields);
    // a key that a window handled is finished.
    if (window->GetEventHandler()->ProcessEvent(command))
        return Event_Processed;
    return Event_Skip;
}

void MyApp::DestroyLongLivedWindows() {
    for (wxWindow* window : {static_cast<wxWindow*>(logFrame), static_cast<wxWindow*>(splashFrame),
                             static_cast<wxWindow*>(videoFrame), static_cast<wxWindow*>(fullscreenFrame)}) {
        if (window != nullptr)
            window->Destroy();
    }
    logFrame = nullptr;
    splashFrame = nullptr;
    videoFrame = nullptr;
    fullscreenFrame = nullptr;
    if (taskBarIcon != nullptr)
        taskBarIcon->Destroy();
    taskBarIcon = nullptr;
}
