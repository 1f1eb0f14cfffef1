#include "ui/av_controls.h"

#include <wx/bmpcbox.h>
#include <wx/gauge.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "core/settings.h"
#include "stream/player.h"
#include "ui/main_frame.h"
#include "ui/subtitle_menu.h"
#include "webif/web_commands.h"

namespace {

// The selected entry: the event's index, else the control's selection.
int SelectedIndex(const wxCommandEvent& event) {
    if (event.GetInt() >= 0)
        return event.GetInt();
    const auto* combo = dynamic_cast<const wxBitmapComboBox*>(event.GetEventObject());
    return combo ? combo->GetSelection() : -1;
}

} // namespace

MainAvControls::MainAvControls(MyMainFrame& frame)
    : frame_(frame), gauge_(XRCCTRL(frame, "ID_GAUGE_VOLUME", wxGauge)),
      videoPanel_(frame.FindWindow(XRCID("ID_VIDEOWINDOW"))),
      firstSubtitleId_(wxWindow::NewControlId(StreamInfo::kTrackSlots)), controls_(frame.player, *this),
      record_(frame, frame.player, frame.UserSettings()) {
    frame_.muted = controls_.muted();
    BindControls(true);
}

MainAvControls::~MainAvControls() {
    BindControls(false);
    wxWindow::UnreserveControlId(firstSubtitleId_, StreamInfo::kTrackSlots);
}

void MainAvControls::BindControls(bool bind) {
    auto mouse = [bind](wxWindow* w, wxEventType type, void (MainAvControls::*handler)(wxMouseEvent&),
                        MainAvControls* self) {
        if (!w)
            return;
        if (bind)
            w->Bind(wxEventTypeTag<wxMouseEvent>(type), handler, self);
        else
            w->Unbind(wxEventTypeTag<wxMouseEvent>(type), handler, self);
    };
    mouse(gauge_, wxEVT_LEFT_DOWN, &MainAvControls::OnGaugeMouse, this);
    mouse(gauge_, wxEVT_MOTION, &MainAvControls::OnGaugeMouse, this);
    for (wxWindow* w : {static_cast<wxWindow*>(gauge_), videoPanel_}) {
        mouse(w, wxEVT_MIDDLE_DOWN, &MainAvControls::OnMiddleDown, this);
        mouse(w, wxEVT_MOUSEWHEEL, &MainAvControls::OnWheel, this);
    }
    auto command = [&](wxEventType type, void (MainAvControls::*handler)(wxCommandEvent&), const char* name) {
        if (bind)
            frame_.Bind(wxEventTypeTag<wxCommandEvent>(type), handler, this, XRCID(name));
        else
            frame_.Unbind(wxEventTypeTag<wxCommandEvent>(type), handler, this, XRCID(name));
    };
    command(wxEVT_COMBOBOX, &MainAvControls::OnAudioChoice, "ID_CHOICE_AUDIO");
    command(wxEVT_COMBOBOX, &MainAvControls::OnVideoChoice, "ID_CHOICE_VIDEO");
    command(wxEVT_MENU, &MainAvControls::OnDeinterlace, "ID_MENUITEM_DEINTERLACE");
    command(wxEVT_MENU, &MainAvControls::OnClock, "ID_MENUITEM_CLOCK");
    command(wxEVT_MENU, &MainAvControls::OnSubtitleOff, "ID_MENUITEM_SUBTITLE_OFF");
    const int lastSubtitleId = firstSubtitleId_ + StreamInfo::kTrackSlots - 1;
    if (bind) {
        frame_.Bind(wxEVT_MENU, &MainAvControls::OnSubtitleEntry, this, firstSubtitleId_, lastSubtitleId);
        frame_.Bind(wxEVT_MENU_OPEN, &MainAvControls::OnMenuOpen, this);
    } else {
        frame_.Unbind(wxEVT_MENU, &MainAvControls::OnSubtitleEntry, this, firstSubtitleId_, lastSubtitleId);
        frame_.Unbind(wxEVT_MENU_OPEN, &MainAvControls::OnMenuOpen, this);
    }
}

void MainAvControls::ToggleMute() {
    controls_.ToggleMute();
    frame_.muted = controls_.muted();
}

void MainAvControls::VolumeStep(int rotation) {
    const int value = controls_.gaugeValue();
    controls_.OnVolumeGauge(rotation < 0 ? value - 1 : value + 1, true);
}

void MainAvControls::ShowVolume(int value) {
    if (!gauge_)
        return;
    gauge_->SetValue(value);
    gauge_->SetToolTip(wxString::Format(_(L"Lautstärke %d"), value));
}

void MainAvControls::StartOverlayTimer(int milliseconds) {
    frame_.Timer(MyMainFrame::kOsdTimer).StartOnce(milliseconds);
}

void MainAvControls::StopOverlayTimer() {
    frame_.Timer(MyMainFrame::kOsdTimer).Stop();
}

void MainAvControls::SelectReceiverAudioTrack(const wxString& receiverId) {
    // A failure is logged by the request; the stream has switched either way.
    frame_.Ask(SelectAudioTrackCommand(receiverId));
}

void MainAvControls::PlaySubService(const wxString& serviceRef) {
    ChannelItemData data;
    data.kind = kKindTV;
    data.sRef = serviceRef;
    // After the selection handler: playing empties the choice that sent it.
    frame_.CallAfter([this, data] { frame_.PlayService(data); });
}

int MainAvControls::StoredVolume() const {
    return frame_.UserSettings().general.Volume;
}

void MainAvControls::StoreVolume(int volume) {
    frame_.UserSettings().general.Volume = volume;
}

bool MainAvControls::TvControl() const {
    return frame_.UserSettings().general.TVControl != 0;
}

void MainAvControls::OnGaugeMouse(wxMouseEvent& event) {
    controls_.OnVolumeGauge(event.GetX(), event.LeftIsDown());
    event.Skip();
}

void MainAvControls::OnMiddleDown(wxMouseEvent&) {
    ToggleMute();
}

void MainAvControls::OnWheel(wxMouseEvent& event) {
    if (event.GetWheelRotation() != 0)
        VolumeStep(event.GetWheelRotation());
}

void MainAvControls::OnAudioChoice(wxCommandEvent& event) {
    controls_.OnAudioChoice(frame_.AudioChoice(), SelectedIndex(event));
}

void MainAvControls::OnVideoChoice(wxCommandEvent& event) {
    controls_.OnVideoChoice(frame_.VideoChoice(), SelectedIndex(event));
}

void MainAvControls::OnDeinterlace(wxCommandEvent& event) {
    frame_.UserSettings().general.Deinterlacer = event.IsChecked() ? 1 : 0;
    ApplyDeinterlace(frame_.player, event.IsChecked());
}

void MainAvControls::OnClock(wxCommandEvent& event) {
    ApplyClockVisible(frame_.player, event.IsChecked());
}

wxMenu* MainAvControls::SubtitleMenu() const {
    wxMenuBar* bar = frame_.GetMenuBar();
    wxMenuItem* item = bar ? bar->FindItem(XRCID("ID_MENU_SUBTITLE")) : nullptr;
    return item ? item->GetSubMenu() : nullptr;
}

void MainAvControls::RefreshSubtitleMenu() {
    if (wxMenu* menu = SubtitleMenu())
        FillSubtitleMenu(*menu,
                         SubtitleChoices(frame_.player.SnapshotInfo(), frame_.player.CurrentSettings()),
                         firstSubtitleId_);
}

void MainAvControls::OnMenuOpen(wxMenuEvent& event) {
    // Not while the submenu itself opens: its items are being shown.
    if (event.GetMenu() != SubtitleMenu())
        RefreshSubtitleMenu();
    event.Skip();
}

void MainAvControls::OnSubtitleOff(wxCommandEvent&) {
    SelectSubtitles(frame_.player, 0);
    frame_.UserSettings().general.Subtitles = 0;
    RefreshSubtitleMenu();
}

void MainAvControls::OnSubtitleEntry(wxCommandEvent& event) {
    const wxMenu* menu = SubtitleMenu();
    const int pid = menu ? SubtitleMenuPid(*menu, event.GetId()) : 0;
    if (pid != 0 && SelectSubtitles(frame_.player, pid))
        frame_.UserSettings().general.Subtitles = 1;
    RefreshSubtitleMenu();
}
