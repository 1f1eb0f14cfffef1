// Pure halves of the receiver-state queries: answer text in, plain values out.
#include <algorithm>

#include <wx/intl.h>
#include <wx/log.h>

#include "webif/service_ref.h"
#include "webif/state_queries.h"
#include "webif/web_answer.h"

namespace {

std::tm LocalTm(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

// "None" and empty texts (and garbage) count as missing.
bool ReadSeconds(const wxString& text, unsigned long& value) {
    return text != "None" && AnswerToULong(text, value);
}

wxString SingleAmpersands(wxString text) {
    text.Replace("&&", "&");
    return text;
}

wxString TitleOrPlaceholder(const wxString& title) {
    return title.empty() || title == "None" ? wxString(_("keine Beschreibung vorhanden")) : title;
}

} // namespace

wxString LocalClockText(std::time_t t) {
    const std::tm tm = LocalTm(t);
    return wxString::Format("%.2d:%.2d", tm.tm_hour, tm.tm_min);
}

wxString LocalDateText(std::time_t t) {
    const std::tm tm = LocalTm(t);
    return wxString::Format("%.2d.%.2d.%.4d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
}

bool ParseStandby(const wxString& answer, bool& inStandby) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2powerstate");
    if (!doc.Root().IsValid())
        return false;
    inStandby = doc.Root().ChildText("e2instandby").StartsWith("true");
    return true;
}

bool ApplyCurrentService(const wxString& answer, ReceiverState& state) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2currentserviceinformation");
    if (!doc.Root().IsValid())
        return false;
    for (const AnswerElement& service : doc.Root().Children("e2service")) {
        for (const AnswerElement& field : service.Children()) {
            const wxString text = field.Text();
            if (field.Name() == "e2servicename") {
                state.currentServiceName = text;
            } else if (field.Name() == "e2servicereference") {
                const ServiceRef ref(text);
                if (text != "N/A")
                    state.currentServiceRef = ref.Playable();
                // Any other reference (a stream, a folder) leaves the kind as it was.
                if (ref.Kind() != kKindFolder)
                    state.currentItemType = ref.Kind();
            }
        }
    }
    return true;
}

namespace {
bool LastEventOf(const AnswerElement& list, EpgEventInfo& event) {
    bool found = false;
    for (const AnswerElement& e : list.Children("e2event")) {
        found = true;
        event.id = e.ChildText("e2eventid");
        event.start = e.ChildText("e2eventstart");
        event.duration = e.ChildText("e2eventduration");
        event.title = e.ChildText("e2eventtitle");
        event.title.Replace("&", "&&");
        event.description = e.ChildText("e2eventdescription");
        event.descriptionExtended = e.ChildText("e2eventdescriptionextended");
        event.serviceRef = e.ChildText("e2eventservicereference");
        event.serviceName = e.ChildText("e2eventservicename");
    }
    return found;
}

void ShowNow(const EpgEventInfo& event, ReceiverStateView& view, std::time_t clock) {
    const NowPanel p = FormatNowEvent(event, clock);
    view.SetBoxLabel(ReceiverStateView::kProgramInfoBox, p.boxLabel);
    view.State().currentServiceName = p.serviceName;
    view.SetStaticText(1, p.start);
    view.SetStaticText(2, p.title);
    view.SetStaticText(3, p.remaining);
    view.State().nowEventText = p.eventText;
    view.SetGauge(p.gaugeRange, p.gaugeValue);
}

void ShowNext(const EpgEventInfo& event, ReceiverStateView& view) {
    const NextPanel p = FormatNextEvent(event);
    view.SetStaticText(4, p.start);
    view.SetStaticText(5, p.title);
    view.SetStaticText(6, p.duration);
    view.State().nextEventText = p.eventText;
}

void UpdateAvBox(ReceiverStateView& view) {
    view.SetBoxLabel(ReceiverStateView::kAvBox,
                     AvBoxLabel(view.AudioChoice().Count(), view.VideoChoice().Count()));
}
} // namespace

bool ParseLastEvent(const wxString& answer, EpgEventInfo& event) {
    return LastEventOf(ParseWebAnswer(answer, "e2eventlist").Root(), event);
}

bool ApplyNowNext(const wxString& answer, ReceiverStateView& view, bool now, std::time_t clock) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2eventlist");
    if (!doc.Root().IsValid())
        return false;
    EpgEventInfo event;
    if (!LastEventOf(doc.Root(), event))
        return true;
    if (now)
        ShowNow(event, view, clock);
    else
        ShowNext(event, view);
    return true;
}

NowPanel FormatNowEvent(const EpgEventInfo& event, std::time_t clock) {
    NowPanel p;
    p.boxLabel = wxString::Format(_(" Programminfo [ %s ] "), event.serviceName);
    p.serviceName = event.serviceName;
    unsigned long start = 0, duration = 0;
    const bool hasStart = ReadSeconds(event.start, start);
    const bool hasDuration = ReadSeconds(event.duration, duration);
    p.start = hasStart ? LocalClockText(static_cast<std::time_t>(start)) : wxString("00:00");
    p.title = TitleOrPlaceholder(event.title);
    // Without a start the end is unknown; a remaining time would be decades off.
    long remaining = 0;
    if (hasStart && hasDuration) {
        remaining = (static_cast<long long>(start) + static_cast<long long>(duration) - clock) / 60;
        p.remaining = wxString::Format("+%d min", static_cast<int>(remaining));
    } else {
        p.remaining = "000 min";
    }
    p.eventText = SingleAmpersands(p.title + " (" + p.remaining + ")");
    p.gaugeRange = hasDuration ? static_cast<int>(std::min<unsigned long>(duration / 60, 1000000)) : 0;
    const bool known = hasStart && hasDuration;
    p.gaugeValue = known ? static_cast<int>(std::clamp<long>(p.gaugeRange - remaining, 0, p.gaugeRange)) : 0;
    return p;
}

NextPanel FormatNextEvent(const EpgEventInfo& event) {
    NextPanel p;
    unsigned long start = 0, duration = 0;
    p.start =
        ReadSeconds(event.start, start) ? LocalClockText(static_cast<std::time_t>(start)) : wxString("00:00");
    p.title = TitleOrPlaceholder(event.title);
    p.duration = ReadSeconds(event.duration, duration)
                     ? wxString::Format("%ld min", static_cast<long>(duration / 60))
                     : wxString("000 min");
    p.eventText = SingleAmpersands(p.title + " (" + p.duration + ")");
    return p;
}

bool ParseAudioTracks(const wxString& answer, std::vector<AudioTrack>& tracks) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2audiotracklist");
    if (!doc.Root().IsValid())
        return false;
    for (const AnswerElement& t : doc.Root().Children("e2audiotrack")) {
        tracks.push_back({t.ChildText("e2audiotrackdescription"), t.ChildText("e2audiotrackid"),
                          t.ChildText("e2audiotrackpid"), t.ChildText("e2audiotrackactive")});
    }
    return true;
}

long TrackPid(const wxString& text) {
    const wxString trimmed = text.Strip(wxString::both);
    long pid = -1;
    const bool hex = trimmed.StartsWith("0x") || trimmed.StartsWith("0X");
    if (!(hex ? trimmed.Mid(2).ToLong(&pid, 16) : trimmed.ToLong(&pid, 10)) || pid < 0 || pid > 0x1FFF)
        return -1;
    return pid;
}

bool MatchAudioTracks(ChoiceView& choice, const std::vector<AudioTrack>& tracks) {
    // By PID only: the receiver lists what its decoder knows, which need not be
    // every track the stream carries, nor in the same order.
    int active = -1;
    for (int i = 0; i < choice.Count(); ++i) {
        const long pid = choice.HasData(i) ? TrackPid(choice.Value(i)) : -1;
        auto match = std::find_if(tracks.begin(), tracks.end(),
                                  [&](const AudioTrack& t) { return pid >= 0 && TrackPid(t.pid) == pid; });
        if (match == tracks.end())
            continue; // no receiver track with this PID: keep the local entry as it is
        choice.SetLabel(i, match->description);
        choice.SetReceiverId(i, match->id);
        if (match->active == "True" && active < 0)
            active = i;
    }
    if (active < 0)
        return false;
    choice.Select(active);
    choice.SendSelectionEvent(active);
    return true;
}

wxString AvBoxLabel(int audioCount, int videoCount) {
    return wxString::Format(_(" AV-Optionen [ %d Audio | %d Video ] "), audioCount, videoCount);
}

bool ParseSubServices(const wxString& answer, std::vector<SubService>& services) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2servicelist");
    if (!doc.Root().IsValid())
        return false;
    for (const AnswerElement& s : doc.Root().Children("e2service")) {
        wxString name = s.ChildText("e2servicename");
        name.Replace(wxString(wxUniChar(0x86)), "");
        name.Replace(wxString(wxUniChar(0x87)), "");
        services.push_back({s.ChildText("e2servicereference"), name});
    }
    return true;
}

void ApplySubServices(ChoiceView& video, const std::vector<SubService>& services,
                      const wxString& currentRef) {
    video.Clear();
    video.Enable(false);
    for (const SubService& s : services) {
        if (ServiceRef(s.ref).Kind() != kKindTV)
            continue;
        for (int i = video.Count() - 1; i >= 0; --i) {
            const wxString value = video.Value(i);
            if (!value.empty() && s.ref.Contains(value)) {
                wxLogVerbose("Verbose: doppelter Unterkanal \"%s\" [ %s ] gelöscht", video.Label(i), value);
                video.Delete(i);
            }
        }
        const int index = video.Append(s.name.empty() ? wxString("?") : s.name, s.ref);
        if (!currentRef.empty() && s.ref.Contains(currentRef))
            video.Select(index);
    }
    if (video.Count() > 0)
        video.Enable(true);
}

bool ApplyAudioTracks(const wxString& answer, ReceiverStateView& view, int& count, bool& chosen) {
    std::vector<AudioTrack> tracks;
    if (!ParseAudioTracks(answer, tracks))
        return false;
    chosen = MatchAudioTracks(view.AudioChoice(), tracks);
    UpdateAvBox(view);
    count = static_cast<int>(tracks.size());
    return true;
}

bool ApplySubServices(const wxString& answer, ReceiverStateView& view) {
    std::vector<SubService> services;
    if (!ParseSubServices(answer, services))
        return false;
    ApplySubServices(view.VideoChoice(), services, view.State().currentServiceRef);
    UpdateAvBox(view);
    return true;
}

bool ParseServicePlayable(const wxString& answer, bool& playable) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2serviceplayable");
    if (!doc.Root().IsValid())
        return false;
    // Only an explicit "False" means no free tuner; the receiver knows best otherwise.
    playable = doc.Root().ChildText("e2isplayable").Strip(wxString::both) != "False";
    return true;
}

bool ParseSimilarEvents(const wxString& answer, wxString& out) {
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2eventlist");
    if (!doc.Root().IsValid())
        return false;
    out.clear();
    for (const AnswerElement& e : doc.Root().Children("e2event")) {
        for (const AnswerElement& field : e.Children()) {
            if (field.Name() == "e2eventstart") {
                const auto t = static_cast<std::time_t>(AnswerToULong(field.Text()));
                out += "\n" + LocalDateText(t) + " - " + LocalClockText(t) + " - ";
            } else if (field.Name() == "e2eventservicename") {
                out += field.Text();
            }
        }
    }
    return true;
}
