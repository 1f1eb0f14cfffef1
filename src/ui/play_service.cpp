// MyMainFrame::PlayService: the single entry point for zapping: stop, playability
// question, zap of the TV, stream address, programme number, start, picon and the
// programme information.
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/log.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/player.h"
#include "stream/stream_supervisor.h"
#include "ui/fullscreen_frame.h"
#include "ui/main_frame.h"
#include "ui/main_stream_view.h"
#include "ui/video_frame.h"
#include "webif/state_queries.h"
#include "webif/url_escape.h"
#include "webif/web_request.h"

namespace {

constexpr int kNowNextRefreshMs = 60000;
constexpr int kPositionRefreshMs = 500;

void RefreshVideoWindows() {
    MyApp& app = wxGetApp();
    if (app.videoFrame)
        app.videoFrame->Refresh();
    if (app.fullscreenFrame)
        app.fullscreenFrame->Refresh();
}

wxString PlusForAmpersands(wxString text) {
    text.Replace("&&", "+");
    return text;
}

} // namespace

bool MyMainFrame::PlayService(const ChannelItemData& data) {
    MovieItemData item;
    static_cast<ChannelItemData&>(item) = data;
    return PlayService(item);
}

bool MyMainFrame::PlayService(const MovieItemData& item) {
    if (item.kind != kKindTV && item.kind != kKindRadio && item.kind != kKindRecording)
        return false;
    if (item.sRef.empty() || item.sRef.StartsWith("1:64:"))
        return false;
    // Compared in the form that is stored, so that a service with a trailing name
    // is recognised as the one playing. Only while it plays: a recording that has
    // ended, or a stream that was stopped, can be started again.
    if ((item.kind == kKindRecording ? item.sRef : PlayableRef(item.sRef)) == currentServiceRef &&
        PipelineStarted(player))
        return false;

    Timer(kStreamStartTimer).Stop();
    Timer(kResyncTimer).Stop();
    LetEventsRun();
    if (PipelineStarted(player)) {
        StopStreaming();
        RefreshVideoWindows();
        LetEventsRun();
    }

    bool tvControlForced = false;
    if (!PlayabilityConfirmed(item, tvControlForced)) {
        StartStreaming(); // the previous stream's source is unchanged
        return false;
    }

    supervisor->ResetRetryCount();
    player.RequestStatisticsReset();
    previousServiceRef = currentServiceRef;
    previousItemType = currentItemType;
    const int serviceId = ServiceIdOf(item.sRef);

    Timer(kNowNextTimer).Stop();
    Timer(kPositionTimer).Stop();
    currentItemType = item.kind;
    toolBar->EnableTool(XRCID("ID_TOOL_REW"), item.kind == kKindRecording);
    toolBar->EnableTool(XRCID("ID_TOOL_FWD"), item.kind == kKindRecording);

    StreamSource source;
    source.programme = serviceId;
    if (item.kind == kKindRecording) {
        source.url = RecordingSource(item);
        source.user = Settings().ActiveProfile().User;
        source.password = Settings().ActiveProfile().Pass;
    } else {
        source.url = LiveSource(item);
    }
    player.SetSource(source);
    const bool started = StartStreaming();

    ShowPicon();
    if (tvControlForced)
        Settings().general.TVControl = 0;

    if (item.kind == kKindRecording) {
        ConnectProgressSeek(true);
        Timer(kPositionTimer).Start(kPositionRefreshMs);
    } else {
        RefreshNowNext();
        if (player.VideoMode() == 1 && wxGetApp().videoFrame)
            wxGetApp().videoFrame->SetTitle(currentServiceName);
        ConnectProgressSeek(false);
        Timer(kNowNextTimer).Start(kNowNextRefreshMs);
    }
    return started;
}

bool MyMainFrame::PlayabilityConfirmed(const MovieItemData& item, bool& tvControlForced) {
    AppSettings::General& general = Settings().general;
    if (item.kind == kKindRecording || general.TVControl)
        return true;
    // Never cut: a shortened reference would ask the receiver about another service.
    if (!WebRequest("serviceplayable?sRef=" + UrlEscape(item.sRef)) ||
        !WebAnswer().Contains("<e2isplayable>False</e2isplayable>"))
        return true;
    if (!general.ExpertMode &&
        ShowMessage(_("Es ist momentan kein freier Tuner für diesen Kanal verfügbar!\n\nSoll für die "
                      "Wiedergabe der Kanal am TV mit umgeschaltet werden?"),
                    MessageIcon::Question, this) != wxYES)
        return false;
    // TV control for this one zap only; switched off again once the stream started.
    general.TVControl = 1;
    tvControlForced = true;
    return true;
}

wxString MyMainFrame::LiveSource(const MovieItemData& item) {
    const ReceiverProfile& profile = Settings().ActiveProfile();
    const bool radio = item.kind == kKindRadio;
    SetBoxLabel(kPlayModeBox, radio ? _(" Wiedergabemodus [ RA ] ") : _(" Wiedergabemodus [ TV ] "));
    currentServiceRef = PlayableRef(item.sRef);
    wxLogMessage(radio ? _("starte RA-Stream [http://%s:%d/%s]") : _("starte TV-Stream [http://%s:%d/%s]"),
                 profile.Host, static_cast<int>(profile.SPort), currentServiceRef);
    if (Settings().general.TVControl)
        WebRequest("zap?sRef=" + UrlEscape(currentServiceRef));
    return LiveStreamUrl(profile, currentServiceRef);
}

wxString MyMainFrame::RecordingSource(const MovieItemData& item) {
    const ReceiverProfile& profile = Settings().ActiveProfile();
    lastRecordingTitle = item.title;
    lastRecordingDescription = item.description;
    lastRecordingBegin = item.begin;
    SetBoxLabel(kPlayModeBox, _(" Wiedergabemodus [ HD ] "));
    currentServiceRef = item.sRef;
    const wxString path = RecordingPath(item.sRef);
    wxLogMessage(profile.Https ? _("starte HD-Stream [https://%s:%d/file?file=/%s]")
                               : _("starte HD-Stream [http://%s:%d/file?file=/%s]"),
                 profile.Host, static_cast<int>(profile.WPort), path);

    const wxString label = RecordingInfoLabel(item.begin);
    SetBoxLabel(kProgramInfoBox, label);
    const wxString texts[] = {"", item.title, "", "", item.description, ""};
    for (int i = 1; i <= 6; ++i)
        SetStaticText(i, texts[i - 1]);
    progressGauge->SetValue(0);
    currentServiceName = BracketText(label);
    nowEventText = PlusForAmpersands(infoLabels[2]->GetLabel());
    nextEventText = PlusForAmpersands(infoLabels[5]->GetLabel());
    return RecordingStreamUrl(profile, path);
}

void MyMainFrame::ShowPicon() {
    const wxString file = Paths().programDir + "pic" + wxFILE_SEP_PATH + PiconFileName(currentServiceRef);
    wxBitmap bitmap;
    if (wxFileName::FileExists(file))
        bitmap.LoadFile(file, wxBITMAP_TYPE_PNG);
    if (!bitmap.IsOk())
        bitmap = wxXmlResource::Get()->LoadBitmap("DEFAULT_PICON");
    picon->SetBitmap(bitmap);
}

void MyMainFrame::RefreshNowNext() {
    if (currentServiceRef.empty())
        return;
    if (QueryNowNext(*this, true))
        QueryNowNext(*this, false);
    Layout();
}
