// Request halves of the receiver-state queries.
#include "webif/state_queries.h"

#include <wx/utils.h>

#include "webif/web_request.h"

namespace {
std::string Ref8Bit(const wxString& ref) {
    const wxScopedCharBuffer buf = ref.utf8_str();
    return std::string(buf.data(), buf.length());
}

void UpdateAvBox(ReceiverStateView& view) {
    view.SetBoxLabel(ReceiverStateView::kAvBox,
                     AvBoxLabel(view.AudioChoice().Count(), view.VideoChoice().Count()));
}
} // namespace

bool QueryStandby() {
    return WebRequest("powerstate?newstate=-1") && ParseStandby(WebAnswer());
}

bool QueryCurrentService(ReceiverStateView& view) {
    if (!WebRequest("getcurrent"))
        return false;
    ApplyCurrentService(WebAnswer(), view.State());
    return true;
}

bool QueryNowNext(ReceiverStateView& view, bool now) {
    return QueryNowNext(view, now, std::time(nullptr));
}

bool QueryNowNext(ReceiverStateView& view, bool now, std::time_t clock) {
    const std::string ref = Ref8Bit(view.State().currentServiceRef);
    if (!WebRequest((now ? "epgservicenow?sRef=" : "epgservicenext?sRef=") + ref))
        return false;
    EpgEventInfo event;
    if (!ParseLastEvent(WebAnswer(), event))
        return true;
    ReceiverState& state = view.State();
    if (now) {
        const NowPanel p = FormatNowEvent(event, clock);
        view.SetBoxLabel(ReceiverStateView::kProgramInfoBox, p.boxLabel);
        state.currentServiceName = p.serviceName;
        view.SetStaticText(1, p.start);
        view.SetStaticText(2, p.title);
        view.SetStaticText(3, p.remaining);
        state.nowEventText = p.eventText;
        view.SetGauge(p.gaugeRange, p.gaugeValue);
    } else {
        const NextPanel p = FormatNextEvent(event);
        view.SetStaticText(4, p.start);
        view.SetStaticText(5, p.title);
        view.SetStaticText(6, p.duration);
        state.nextEventText = p.eventText;
    }
    return true;
}

int QueryAudioTracks(ReceiverStateView& view) {
    return QueryAudioTracks(view, [](int ms) { wxMilliSleep(ms); });
}

int QueryAudioTracks(ReceiverStateView& view, const PauseFn& pause) {
    std::vector<AudioTrack> tracks;
    for (int attempt = 1;; ++attempt) {
        if (!WebRequest("getaudiotracks"))
            return 0;
        if (ParseAudioTracks(WebAnswer(), tracks))
            break;
        if (attempt == 5)
            return 0;
        pause(1000);
    }
    MatchAudioTracks(view.AudioChoice(), tracks);
    UpdateAvBox(view);
    return static_cast<int>(tracks.size());
}

void QuerySubServices(ReceiverStateView& view) {
    if (!WebRequest("streamsubservices?sRef=" + Ref8Bit(view.State().currentServiceRef)))
        return;
    std::vector<SubService> services;
    if (!ParseSubServices(WebAnswer(), services))
        return;
    ApplySubServices(view.VideoChoice(), services, view.State().currentServiceRef);
    UpdateAvBox(view);
}

wxString QuerySimilarEvents(const wxString& sRef, const wxString& eventId) {
    if (!WebRequest("epgsimilar?sRef=" + Ref8Bit(sRef) + "&eventid=" + Ref8Bit(eventId)))
        return {};
    return FormatSimilarEvents(WebAnswer());
}
