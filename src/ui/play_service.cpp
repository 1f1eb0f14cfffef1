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

#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/player.h"
#include "stream/stream_supervisor.h"
#include "ui/app_context.h"
#include "ui/fullscreen_frame.h"
#include "ui/main_frame.h"
#include "ui/main_stream_view.h"
#include "ui/video_frame.h"
#include "webif/state_queries.h"
#include "webif/web_commands.h"

namespace {

constexpr int kNowNextRefreshMs = 60000;
constexpr int kPositionRefreshMs = 500;

void RefreshVideoWindows(LongLivedWindows& windows) {
    if (MyVideoFrame* video = windows.VideoFrame())
        video->Refresh();
    if (MyFullscreenFrame* fullscreen = windows.FullscreenFrame())
        fullscreen->Refresh();
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

void MyMainFrame::PlayCurrentService() {
    if (!currentServiceRef.empty()) {
        ChannelItemData transient;
        transient.kind = currentItemType;
        transient.sRef = currentServiceRef;
        currentServiceRef.clear();
        PlayService(transient);
    }
    previousServiceRef = currentServiceRef;
    previousItemType = currentItemType;
}

bool MyMainFrame::PlayService(const MovieItemData& item) {
    if (item.kind != kKindTV && item.kind != kKindRadio && item.kind != kKindRecording)
        return false;
    const ServiceRef ref(item.sRef);
    if (ref.IsEmpty() || ref.IsMarker())
        return false;
    // Compared in the form that is stored, so that a service with a trailing name
    // is recognised as the one playing. Only while it plays: a recording that has
    // ended, or a stream that was stopped, can be started again.
    if ((item.kind == kKindRecording ? ref.Text() : ref.Playable()) == currentServiceRef &&
        PipelineStarted(player))
        return false;

    // Whatever an earlier zap still waits for is void from here on.
    const std::uint64_t generation = ++zapGeneration;
    Timer(kStreamStartTimer).Stop();
    Timer(kResyncTimer).Stop();
    if (PipelineStarted(player)) {
        StopStreaming();
        RefreshVideoWindows(context.windows);
    }

    if (item.kind == kKindRecording || settings.general.TVControl) {
        BeginPlay(item, false, generation);
        return true;
    }
    // Never cut: a shortened reference would ask the receiver about another service.
    ShowPending(_("Frage den Receiver..."));
    Ask(ServicePlayableCommand(item.sRef), [this, item, generation](const WebReply& reply) {
        if (generation != zapGeneration)
            return;
        bool tvControlForced = false;
        if (!PlayabilityConfirmed(reply, tvControlForced)) {
            StartStreaming(); // the previous stream's source is unchanged
            return;
        }
        BeginPlay(item, tvControlForced, generation);
    });
    return true;
}

bool MyMainFrame::PlayabilityConfirmed(const WebReply& reply, bool& tvControlForced) {
    // Only a clear "no" asks; an unreachable or unreadable receiver lets the zap go on.
    bool playable = true;
    if (!reply.Ok() || !ParseServicePlayable(reply.body, playable) || playable)
        return true;
    AppSettings::General& general = settings.general;
    if (!general.ExpertMode &&
        ShowMessage(_("Es ist momentan kein freier Tuner für diesen Kanal verfügbar!\n\nSoll für die "
                      "Wiedergabe der Kanal am TV mit umgeschaltet werden?"),
                    MessageIcon::Question, this) != wxYES)
        return false;
    // TV control for this one zap only: the setting itself stays off.
    tvControlForced = true;
    return true;
}

void MyMainFrame::BeginPlay(const MovieItemData& item, bool tvControlForced, std::uint64_t generation) {
    supervisor->ResetRetryCount();
    player.RequestStatisticsReset();
    previousServiceRef = currentServiceRef;
    previousItemType = currentItemType;

    Timer(kNowNextTimer).Stop();
    Timer(kPositionTimer).Stop();
    currentItemType = item.kind;
    toolBar->EnableTool(XRCID("ID_TOOL_REW"), item.kind == kKindRecording);
    toolBar->EnableTool(XRCID("ID_TOOL_FWD"), item.kind == kKindRecording);

    if (item.kind == kKindRecording) {
        StartSource(item, RecordingSource(item));
        return;
    }
    const wxString url = LiveSource(item);
    if (settings.general.TVControl || tvControlForced) {
        // The stream follows the zap, so that the receiver streams the new service;
        // a newer zap makes this one void.
        ShowPending(_("Schalte um..."));
        Ask(ZapCommand(currentServiceRef), [this, item, url, generation](const WebReply&) {
            if (generation == zapGeneration)
                StartSource(item, url);
        });
    } else {
        StartSource(item, url);
    }
    RefreshNowNext();
    if (player.VideoMode() == 1)
        if (MyVideoFrame* video = context.windows.VideoFrame())
            video->SetTitle(currentServiceName);
    ConnectProgressSeek(false);
    Timer(kNowNextTimer).Start(kNowNextRefreshMs);
}

void MyMainFrame::StartSource(const MovieItemData& item, const wxString& url) {
    StreamSource source;
    source.url = url;
    source.programme = ServiceRef(item.sRef).ServiceId();
    if (item.kind == kKindRecording) {
        // Beside the address, never in it: error texts of the source quote the address.
        source.user = settings.ActiveProfile().User;
        source.password = settings.ActiveProfile().Pass;
    }
    player.SetSource(source);
    StartStreaming();
    ShowPicon();
    if (item.kind == kKindRecording) {
        ConnectProgressSeek(true);
        Timer(kPositionTimer).Start(kPositionRefreshMs);
    }
}

wxString MyMainFrame::LiveSource(const MovieItemData& item) {
    const ReceiverProfile& profile = settings.ActiveProfile();
    const bool radio = item.kind == kKindRadio;
    SetBoxLabel(kPlayModeBox, radio ? _(" Wiedergabemodus [ RA ] ") : _(" Wiedergabemodus [ TV ] "));
    const ServiceRef playable(ServiceRef(item.sRef).Playable());
    currentServiceRef = playable.Text();
    wxLogMessage(radio ? _("starte RA-Stream [http://%s:%d/%s]") : _("starte TV-Stream [http://%s:%d/%s]"),
                 profile.Host, static_cast<int>(profile.SPort), currentServiceRef);
    return LiveStreamUrl(profile, playable);
}

wxString MyMainFrame::RecordingSource(const MovieItemData& item) {
    const ReceiverProfile& profile = settings.ActiveProfile();
    lastRecordingTitle = item.title;
    lastRecordingDescription = item.description;
    lastRecordingBegin = item.begin;
    SetBoxLabel(kPlayModeBox, _(" Wiedergabemodus [ HD ] "));
    currentServiceRef = item.sRef;
    const wxString path = ServiceRef(item.sRef).RecordingPath();
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
    const wxString file =
        Paths().programDir + "pic" + wxFILE_SEP_PATH + ServiceRef(currentServiceRef).PiconName();
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
    // The EPG goes on the bulk lane: it never holds up a zap. Both answers are checked
    // against the service they were asked for, which a zap meanwhile changes.
    const wxString ref = currentServiceRef;
    Ask(
        NowNextCommand(ref, true), [this, ref](const WebReply& reply) { OnNowNextReply(reply, true, ref); },
        RequestLane::Bulk);
    Ask(
        NowNextCommand(ref, false), [this, ref](const WebReply& reply) { OnNowNextReply(reply, false, ref); },
        RequestLane::Bulk);
}

void MyMainFrame::OnNowNextReply(const WebReply& reply, bool now, const wxString& ref) {
    if (ref != currentServiceRef || !reply.Ok())
        return;
    if (!ApplyNowNext(reply.body, *this, now, std::time(nullptr)))
        LogUnreadableAnswer(reply.command);
    Layout();
}
