#include "ui/startup_runner.h"

#include <fontconfig/fontconfig.h>
#include <wx/iconbndl.h>
#include <wx/timer.h>
#include <wx/xrc/xmlres.h>

#include "app/splash_frame.h"
#include "core/message.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/player.h"
#include "stream/stream_settings.h"
#include "ui/app_context.h"
#include "ui/fullscreen_frame.h"
#include "ui/main_frame.h"
#include "ui/startup_sequence.h"
#include "ui/taskbar_icon.h"
#include "ui/video_frame.h"

namespace {
constexpr int kStepPauseMs = 250;
} // namespace

// A step's work runs while its text is shown; the next step's text (or the end)
// waits until the pause is over. A quick step still shows for the whole pause, and a
// slow one (a large list) costs its own time instead of its time plus the pause.
class StartupRunner::Host : public StartupHost {
public:
    Host(MySplashFrame& splash, MyMainFrame& frame, AppContext& context)
        : splash(splash), frame(frame), context(context) {
        pause.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { OnPauseOver(); });
    }

    void Step(const wxString& text, Continue next) override {
        if (pause.IsRunning()) {
            waitingText = text;
            waiting = std::move(next);
            return;
        }
        splash.Step(text);
        pause.StartOnce(kStepPauseMs);
        next();
    }
    void Request(const std::string& command, ReplyDone done) override {
        context.receiver.Client().Request(command, lifetime.Token(), std::move(done));
    }
    void ReportFailure(const WebReply& reply) override {
        const wxString message =
            StartupFailureMessage(reply, context.settings.ActiveProfile(), Paths().dataDir + "tessaro.cfg");
        if (!message.empty())
            ShowMessage(message, MessageIcon::Error, &splash);
    }
    void InitFontCache() override { FcInit(); }
    void SetReceiverInStandby(bool standby) override { frame.receiverInStandby = standby; }
    ReceiverState& State() override { return frame.receiver; }
    void LoadServiceList(int kind, bool reset, ListDone done) override {
        if (reset)
            frame.lastBouquetIndex = -1;
        frame.LoadServiceList(kind, reset, std::move(done));
    }
    // Missing plug-ins are reported over the splash window; the start-up then ends.
    bool InitStreaming() override {
        if (!frame.player.Init(StreamSettingsOf(context.settings, context.options), &splash))
            return false;
        frame.AttachStreaming();
        return true;
    }
    void ShowStartMode(int startMode) override;
    void SelectAndPlayCurrent() override {
        frame.SelectCurrentServiceItem();
        frame.PlayCurrentService();
    }
    void Finished(bool completed) override {
        // A failure ends at once: its message box has been answered already.
        if (completed && pause.IsRunning()) {
            finishWaiting = true;
            return;
        }
        End(completed);
    }

private:
    void OnPauseOver() {
        if (finishWaiting) {
            finishWaiting = false;
            return End(true);
        }
        // The work may start the next pause; take it out first.
        Continue next = std::move(waiting);
        waiting = nullptr;
        if (next)
            Step(waitingText, std::move(next));
    }
    void End(bool completed);

    MySplashFrame& splash;
    MyMainFrame& frame;
    AppContext& context;
    wxTimer pause;
    wxString waitingText;
    Continue waiting;
    bool finishWaiting = false;
    ReplyLifetime lifetime;
};

void StartupRunner::Host::ShowStartMode(int startMode) {
    LongLivedWindows& windows = context.windows;
    switch (startMode) {
    case 1:
        if (MyVideoFrame* video = windows.VideoFrame()) {
            video->SetTitle(frame.currentServiceName);
            video->Show();
        }
        break;
    case 2:
        frame.Show();
        if (MyFullscreenFrame* fullscreen = windows.FullscreenFrame())
            fullscreen->Show();
        break;
    case 3:
        if (MyTaskBarIcon* tray = windows.TaskBarIcon()) {
            wxIcon icon;
            icon.CopyFromBitmap(wxXmlResource::Get()->LoadBitmap("IMG_ICON_TASKBAR"));
            tray->SetIcon(icon, "Tessaro E2");
        }
        break;
    default:
        frame.Show();
        frame.Raise();
        break;
    }
}

void StartupRunner::Host::End(bool completed) {
    context.windows.ForgetSplash();
    // Deferred: this object belongs to the splash window, which goes in the next idle time.
    splash.Destroy();
    if (!completed) {
        frame.Close(true);
        return;
    }
    frame.startupRunning = false;
}

StartupRunner::StartupRunner(MySplashFrame& splash, MyMainFrame& frame, AppContext& context)
    : host_(std::make_unique<Host>(splash, frame, context)) {
    StartupConfig config;
    config.skipReceiverState = context.options.skipReceiverState;
    config.startServiceRef = context.options.startServiceRef;
    config.tvProviders = context.settings.general.TVProviders != 0;
    config.raProviders = context.settings.general.RAProviders != 0;
    config.startMode = context.options.startMode;
    sequence_ = std::make_unique<StartupSequence>(*host_, config);
}

StartupRunner::~StartupRunner() = default;

void StartupRunner::Start() {
    sequence_->Start();
}
