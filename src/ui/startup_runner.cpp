#include "ui/startup_runner.h"

#include <fontconfig/fontconfig.h>
#include <wx/iconbndl.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "core/options.h"
#include "core/settings.h"
#include "app/splash_frame.h"
#include "stream/player.h"
#include "stream/stream_settings.h"
#include "ui/fullscreen_frame.h"
#include "ui/main_frame.h"
#include "ui/startup_sequence.h"
#include "ui/taskbar_icon.h"
#include "ui/video_frame.h"
#include "webif/state_queries.h"
#include "webif/web_request.h"

namespace {

constexpr int kStepPauseMs = 250;

class WindowStartupHost : public StartupHost {
public:
    WindowStartupHost(MySplashFrame& splash, MyMainFrame& frame) : splash(splash), frame(frame) {}

    void Step(const wxString& text) override {
        splash.Step(text);
        wxMilliSleep(kStepPauseMs);
    }
    bool Request(const std::string& command) override { return WebRequest(command); }
    wxString Answer() const override { return WebAnswer(); }
    bool AbortFlag() const override { return Web().startupAbort; }
    void InitFontCache() override { FcInit(); }
    bool QueryStandby() override { return ::QueryStandby(); }
    bool QueryCurrentService() override { return ::QueryCurrentService(frame); }
    void SetReceiverInStandby(bool standby) override { frame.receiverInStandby = standby; }
    ReceiverState& State() override { return frame.receiver; }
    void LoadServiceList(int kind, bool reset) override {
        if (reset)
            frame.lastBouquetIndex = -1;
        frame.LoadServiceList(kind, reset);
    }
    // Missing plug-ins are reported over the splash window; the start-up then ends.
    bool InitStreaming() override {
        if (!frame.player.Init(StreamSettingsOf(Settings(), Options()), &splash))
            return false;
        frame.AttachStreaming();
        return true;
    }
    void ShowStartMode(int startMode) override {
        MyApp& app = wxGetApp();
        switch (startMode) {
        case 1:
            if (app.videoFrame) {
                app.videoFrame->SetTitle(frame.currentServiceName);
                app.videoFrame->Show();
            }
            break;
        case 2:
            frame.Show();
            if (app.fullscreenFrame)
                app.fullscreenFrame->Show();
            break;
        case 3:
            if (app.taskBarIcon) {
                wxIcon icon;
                icon.CopyFromBitmap(wxXmlResource::Get()->LoadBitmap("IMG_ICON_TASKBAR"));
                app.taskBarIcon->SetIcon(icon, "Tessaro E2");
            }
            break;
        default:
            frame.Show();
            frame.Raise();
            break;
        }
    }
    void SelectAndPlayCurrent() override {
        frame.SelectCurrentServiceItem();
        if (!frame.currentServiceRef.empty()) {
            ChannelItemData transient;
            transient.kind = frame.currentItemType;
            transient.sRef = frame.currentServiceRef;
            frame.currentServiceRef.clear();
            frame.PlayService(transient);
        }
        frame.previousServiceRef = frame.currentServiceRef;
        frame.previousItemType = frame.currentItemType;
    }

private:
    MySplashFrame& splash;
    MyMainFrame& frame;
};

} // namespace

bool RunStartup(MySplashFrame& splash, MyMainFrame& frame) {
    WebContext& web = Web();
    web.startupReporting = true;
    web.messageParent = &splash;

    const StartOptions& options = Options();
    StartupConfig config;
    config.skipReceiverState = options.skipReceiverState;
    config.startServiceRef = options.startServiceRef;
    config.tvProviders = Settings().general.TVProviders != 0;
    config.raProviders = Settings().general.RAProviders != 0;
    config.startMode = options.startMode;

    WindowStartupHost host(splash, frame);
    const bool completed = RunStartupSequence(host, config);

    MyApp& app = wxGetApp();
    app.ForgetSplash();
    if (!completed) {
        // The failure was shown with the splash window as parent; reporting stays on.
        web.messageParent = nullptr;
        splash.Destroy();
        frame.Close(true);
        return false;
    }
    web.startupReporting = false;
    web.messageParent = nullptr;
    frame.startupRunning = false;
    splash.Destroy();
    return true;
}
