// MyMainFrame: the streaming engine's side of the window: StreamEvent handling,
// play/pause and stop, the engine's timers and the video panel's X11 window.
#include <gdk/gdk.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "core/settings.h"
#include "stream/player.h"
#include "stream/recording.h"
#include "stream/stream_supervisor.h"
#include "ui/app_context.h"
#include "ui/main_frame.h"
#include "ui/main_stream_view.h"

void MyMainFrame::BindStreamCommands() {
    streamView = std::make_unique<MainStreamView>(*this);
    supervisor = std::make_unique<StreamSupervisor>(player, *streamView, settings, context.options);
    Bind(EVT_STREAM, &MyMainFrame::OnStreamEvent, this);
    Bind(wxEVT_TOOL, &MyMainFrame::OnPlayPause, this, XRCID("ID_TOOL_PLAY_PAUSE"));
    Bind(wxEVT_TOOL, &MyMainFrame::OnStop, this, XRCID("ID_TOOL_STOP"));
    Bind(wxEVT_TOOL, &MyMainFrame::OnSkip, this, XRCID("ID_TOOL_REW"));
    Bind(wxEVT_TOOL, &MyMainFrame::OnSkip, this, XRCID("ID_TOOL_FWD"));
    for (const char* name : {"ID_BUTTON_PREV_SERVICE", "ID_BUTTON_NEXT_SERVICE"})
        Bind(wxEVT_BUTTON, &MyMainFrame::OnServiceButton, this, XRCID(name));
    for (const char* name : {"ID_BUTTON_PREV_MARKER", "ID_BUTTON_NEXT_MARKER"})
        Bind(wxEVT_BUTTON, &MyMainFrame::OnMarkerButton, this, XRCID(name));
    Bind(wxEVT_BUTTON, &MyMainFrame::OnRezap, this, XRCID("ID_BUTTON_REZAP"));
    // The sink draws into the panel's own X11 window; the id exists once GTK has
    // realised the panel, which happens when it is first shown.
    videoPanel->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        TakeVideoPanelHandle();
        event.Skip();
    });
    videoPanel->Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        TakeVideoPanelHandle();
        event.Skip();
    });
}

void MyMainFrame::AttachStreaming() {
    player.SetEventTarget(this);
    TakeVideoPanelHandle();
}

void MyMainFrame::TakeVideoPanelHandle() {
    GtkWidget* widget = static_cast<GtkWidget*>(videoPanel->GetHandle());
    if (!widget || !gtk_widget_get_realized(widget))
        return;
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window || !GDK_IS_X11_WINDOW(window))
        return;
    // A GTK 3 child window is client-side until asked; the sink needs a real one.
    if (!gdk_window_ensure_native(window))
        return;
    const guintptr xid = gdk_x11_window_get_xid(window);
    if (xid == 0 || xid == handedVideoWindow)
        return;
    handedVideoWindow = xid;
    player.SetVideoWindowHandle(0, xid);
    if (player.VideoMode() == 0)
        player.AttachVideoWindow(0);
}

void MyMainFrame::OnStreamEvent(wxThreadEvent& event) {
    const StreamEvent stream = StreamEventOf(event);
    if (const auto* playing = stream.As<stream_event::Playing>()) {
        streamPlaying = playing->playing;
        if (streamPlaying)
            ++playStarts;
    }
    if (const auto* data = stream.As<stream_event::FirstData>(); data && data->picture)
        ++firstPictures;
    supervisor->OnStreamEvent(stream);
}

void MyMainFrame::OnStreamTimer(int id) {
    switch (id) {
    case kStreamStartTimer:
        supervisor->OnTimeoutTimer();
        break;
    case kOsdTimer:
        supervisor->OnOverlayTimer();
        break;
    case kPositionTimer:
        OnPositionTimer();
        break;
    case kResyncTimer:
        supervisor->OnResyncTimer();
        break;
    default:
        break;
    }
}

bool MyMainFrame::StartStreaming() {
    return supervisor->StartStreaming();
}

void MyMainFrame::OnPlayPause(wxCommandEvent&) {
    StartStreaming();
}

void MyMainFrame::OnStop(wxCommandEvent&) {
    // A zap still waiting for the receiver must not start its stream after a stop.
    ++zapGeneration;
    StopStreaming();
}

void MyMainFrame::StopStreaming() {
    Timer(kStreamStartTimer).Stop();
    Timer(kResyncTimer).Stop();
    // Whatever the old stream still reports from here on belongs to it.
    player.Stop();
    streamPlaying = false;
    const int record = XRCID("ID_TOOL_RECORD");
    if (toolBar->GetToolState(record)) {
        toolBar->ToggleTool(record, false);
        StopRecording(player);
    }
    if (settings.general.Rezap && currentItemType == kKindRecording && previousItemType != kKindRecording) {
        auto* click = new wxCommandEvent(wxEVT_BUTTON, XRCID("ID_BUTTON_REZAP"));
        click->SetEventObject(this);
        QueueEvent(click);
    }
}

void MyMainFrame::DrawPanelImage(const wxString& bitmap) {
    wxClientDC dc(videoPanel);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    if (!wxXmlResource::Get()->GetResourceNode(bitmap))
        return;
    const wxBitmap picture = wxXmlResource::Get()->LoadBitmap(bitmap);
    if (!picture.IsOk())
        return;
    const wxSize size = videoPanel->GetClientSize();
    dc.DrawBitmap(picture, (size.x - picture.GetWidth()) / 2, (size.y - picture.GetHeight()) / 2, true);
}

bool MyMainFrame::QueryPositionAndDuration(std::int64_t& position, std::int64_t& duration) const {
    return player.QueryPosition(position, duration);
}

bool PipelineStarted(const Player& player) {
    const GstState state = player.State();
    return state == GST_STATE_PLAYING || state == GST_STATE_PAUSED;
}
