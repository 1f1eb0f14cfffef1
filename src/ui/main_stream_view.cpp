#include "ui/main_stream_view.h"

#include <wx/app.h>
#include <wx/bmpcbox.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "ui/app_context.h"
#include "ui/combo_choice_view.h"
#include "ui/fullscreen_frame.h"
#include "ui/main_frame.h"
#include "ui/video_frame.h"
#include "webif/state_queries.h"
#include "webif/web_commands.h"

namespace {

const char* ToolName(StreamTool tool) {
    switch (tool) {
    case StreamTool::Record:
        return "ID_TOOL_RECORD";
    case StreamTool::StreamInfo:
        return "ID_TOOL_STREAMINFO";
    case StreamTool::Fullscreen:
        return "ID_TOOL_FULLSCREEN";
    case StreamTool::Standalone:
        return "ID_TOOL_STANDALONE";
    case StreamTool::Wallpaper:
        return "ID_TOOL_WALLPAPER";
    case StreamTool::Teletext:
        return "ID_TOOL_TELETEXT";
    case StreamTool::Screenshot:
        return "ID_TOOL_SCREENSHOT";
    case StreamTool::Volume:
        break;
    }
    return nullptr;
}

void AppendTrack(ComboChoiceView& view, wxBitmapComboBox* combo, const wxString& label, int pid) {
    view.Append(label, wxString::Format("%d", pid));
    combo->Enable(true);
    if (combo->GetSelection() == wxNOT_FOUND)
        combo->SetSelection(0);
}

} // namespace

MainStreamView::MainStreamView(MyMainFrame& frame) : frame(frame) {
    retryTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (auto again = std::move(retry))
            again();
    });
}

void MainStreamView::AppendAudioChoice(const wxString& label, int pid) {
    AppendTrack(*frame.audioView, frame.audioChoice, label, pid);
}

void MainStreamView::AppendVideoChoice(const wxString& label, int pid) {
    AppendTrack(*frame.videoView, frame.videoChoice, label, pid);
}

int MainStreamView::AudioChoiceCount() const {
    return static_cast<int>(frame.audioChoice->GetCount());
}

int MainStreamView::VideoChoiceCount() const {
    return static_cast<int>(frame.videoChoice->GetCount());
}

void MainStreamView::ClearAudioChoice() {
    frame.audioChoice->Clear();
    frame.audioChoice->Enable(false);
}

void MainStreamView::ClearVideoChoice() {
    frame.videoChoice->Clear();
    frame.videoChoice->Enable(false);
}

void MainStreamView::SelectAudioChoice(int index) {
    if (index < 0 || index >= AudioChoiceCount())
        return;
    frame.audioChoice->SetSelection(index);
    // Processed now, so that the track is switched before the caller goes on.
    wxCommandEvent event(wxEVT_COMBOBOX, frame.audioChoice->GetId());
    event.SetEventObject(frame.audioChoice);
    event.SetInt(index);
    frame.ProcessWindowEvent(event);
}

void MainStreamView::SetAvBoxLabel(const wxString& label) {
    frame.SetBoxLabel(ReceiverStateView::kAvBox, label);
}

void MainStreamView::EnableSubtitleMenu(bool enable) {
    // "Anzeige" > "Untertitel" of the menu bar; its entries are filled as a menu opens.
    wxMenuBar* bar = frame.GetMenuBar();
    if (!bar || !bar->FindItem(XRCID("ID_MENU_SUBTITLE")))
        return;
    bar->Enable(XRCID("ID_MENU_SUBTITLE"), enable);
    if (!enable && bar->FindItem(XRCID("ID_MENUITEM_SUBTITLE_OFF")))
        bar->Check(XRCID("ID_MENUITEM_SUBTITLE_OFF"), true);
}

void MainStreamView::EnableTool(StreamTool tool, bool enable) {
    if (tool == StreamTool::Volume) {
        frame.volumeGauge->Enable(enable);
        return;
    }
    frame.toolBar->EnableTool(XRCID(ToolName(tool)), enable);
}

void MainStreamView::ShowPauseBitmap(bool pause) {
    const char* name = pause ? "IMG_PAUSE" : "IMG_PLAY";
    frame.toolBar->SetToolNormalBitmap(XRCID("ID_TOOL_PLAY_PAUSE"), wxXmlResource::Get()->LoadBitmap(name));
}

void MainStreamView::SetStatusText(const wxString& text) {
    frame.SetStatusText(text);
}

void MainStreamView::RefreshVideoPanel() {
    frame.videoPanel->Refresh();
}

void MainStreamView::DrawVideoImage(const wxString& bitmap, bool) {
    // Only the main panel exists as a video target so far.
    frame.DrawPanelImage(bitmap);
}

void MainStreamView::ReturnVideoToMainWindow() {
    LongLivedWindows& windows = frame.context.windows;
    if (MyFullscreenFrame* fullscreen = windows.FullscreenFrame(); fullscreen && fullscreen->IsShown())
        fullscreen->Hide();
    if (MyVideoFrame* video = windows.VideoFrame(); video && video->IsShown())
        video->Hide();
    if (!frame.IsShown())
        frame.Show();
}

void MainStreamView::StartTimer(StreamTimer timer, int milliseconds) {
    frame.Timer(static_cast<MyMainFrame::TimerId>(timer)).StartOnce(milliseconds);
}

void MainStreamView::StopTimer(StreamTimer timer) {
    frame.Timer(static_cast<MyMainFrame::TimerId>(timer)).Stop();
}

void MainStreamView::PostStopCommand() {
    frame.PostCommand("ID_TOOL_STOP");
}

void MainStreamView::PostPlayPauseCommand() {
    frame.PostCommand("ID_TOOL_PLAY_PAUSE");
}

void MainStreamView::StopStreaming() {
    frame.StopStreaming();
}

int MainStreamView::CurrentItemType() const {
    return frame.currentItemType;
}

wxString MainStreamView::OverlayText() const {
    return frame.currentServiceName + "\n\n" + frame.nowEventText + "\n" + frame.nextEventText;
}

void MainStreamView::QuerySubservices() {
    const wxString ref = frame.currentServiceRef;
    frame.Ask(SubServicesCommand(ref), [this, ref](const WebReply& reply) {
        if (ref == frame.currentServiceRef && reply.Ok())
            ApplySubServices(reply.body, frame);
    });
}

void MainStreamView::AskReceiverAudioTrack(std::function<void()> notChosen) {
    AskAudioTracks(std::move(notChosen), 1, frame.ZapGeneration());
}

void MainStreamView::AskAudioTracks(std::function<void()> notChosen, int attempt, std::uint64_t zap) {
    constexpr int kAttempts = 5;
    constexpr int kRetryMs = 1000;
    frame.Ask(AudioTracksCommand(), [this, notChosen, attempt, zap](const WebReply& reply) {
        if (zap != frame.ZapGeneration())
            return;
        if (!reply.Ok())
            return notChosen();
        int count = 0;
        bool chosen = false;
        if (!ApplyAudioTracks(reply.body, frame, count, chosen)) {
            // The receiver answers garbage while it is still tuning; ask again shortly.
            if (attempt == kAttempts)
                return notChosen();
            retry = [this, notChosen, attempt, zap] { AskAudioTracks(notChosen, attempt + 1, zap); };
            retryTimer.StartOnce(kRetryMs);
            return;
        }
        // The receiver's track wins only when it is one the stream has.
        if (!chosen)
            notChosen();
    });
}

void MainStreamView::ShowThroughput(int, int, int, int) {
    // Shown by the stream-information dialog, which is not part of the program yet.
}
