// MyMainFrame: the close request.
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "stream/player.h"
#include "ui/app_context.h"
#include "ui/main_frame.h"
#include "ui/video_frame.h"

namespace {

// The sinks let go of the windows before they go; NULL is reached synchronously.
void SettlePipelineForExit(Player& player) {
    player.SetEventTarget(nullptr);
    player.Shutdown();
}

} // namespace

bool MyMainFrame::DownloadRunning() const {
    // The download item is disabled exactly while a download runs.
    return hdMenu && !hdMenu->IsEnabled(XRCID("ID_MENUITEM_HD_DOWNLOAD"));
}

void MyMainFrame::OnClose(wxCloseEvent& event) {
    if (!startupRunning && !settings.general.ExpertMode && event.CanVeto() &&
        ShowMessage(_("Das Programm wirklich beenden?"), MessageIcon::Question, this) != wxYES) {
        event.Veto();
        return;
    }
    Timer(kNowNextTimer).Stop();
    Timer(kReminderTimer).Stop();
    if (!startupRunning && DownloadRunning()) {
        ShowMessage(_("Das Programm kann nicht beendet werden solange noch ein Download aktiv ist!"),
                    MessageIcon::Exclamation, this);
        if (event.CanVeto())
            event.Veto();
        return;
    }
    startupTimer.Stop();
    // The window goes in the next idle time: answers still on their way, and requests
    // that timers would still send, must not reach it meanwhile.
    closing = true;
    lifetime = ReplyLifetime();
    // Whenever a pipeline exists: its sinks must let go of the windows before they go,
    // also when the program ends right after a first-start configuration.
    SettlePipelineForExit(player);

    LongLivedWindows& windows = context.windows;
    if (MyVideoFrame* video = windows.VideoFrame()) {
        AppSettings::VideoWindow& stored = settings.videoWindow;
        const wxPoint position = video->GetPosition();
        stored.XPos = position.x;
        stored.YPos = position.y;
        if (video->videoPanel) {
            const wxSize size = video->videoPanel->GetSize();
            stored.Width = size.x;
            stored.Height = size.y;
        }
    }
    const wxPoint position = GetPosition();
    settings.mainWindow.XPos = position.x;
    settings.mainWindow.YPos = position.y;

    windows.DestroyLongLivedWindows();
    SaveSettingsTo(settings, Paths().dataDir, false);
    Destroy();
}
