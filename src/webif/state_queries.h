// Small queries of the receiver's state (standby, current service, now/next, audio
// tracks, sub-services, similar broadcasts). Each is request + pure parse + apply.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "webif/state_view.h"

// --- Queries (through WebRequest) ---
bool QueryStandby();
bool QueryCurrentService(ReceiverStateView& view);
bool QueryNowNext(ReceiverStateView& view, bool now);
bool QueryNowNext(ReceiverStateView& view, bool now, std::time_t clock);
// Waits between tries of QueryAudioTracks; tests pass a recording no-op.
using PauseFn = std::function<void(int milliseconds)>;
int QueryAudioTracks(ReceiverStateView& view);
int QueryAudioTracks(ReceiverStateView& view, const PauseFn& pause);
void QuerySubServices(ReceiverStateView& view);
wxString QuerySimilarEvents(const wxString& sRef, const wxString& eventId);

// --- Pure parts ---
bool ParseStandby(const wxString& answer);
void ApplyCurrentService(const wxString& answer, ReceiverState& state);

struct EpgEventInfo {
    wxString id, start, duration, title, description, descriptionExtended, serviceRef, serviceName;
};
// The last "e2event" of an "e2eventlist"; false when there is none. The title has
// "&" doubled for labels.
bool ParseLastEvent(const wxString& answer, EpgEventInfo& event);

struct NowPanel {
    wxString boxLabel, serviceName, start, title, remaining, eventText;
    int gaugeRange = 0;
    int gaugeValue = 0;
};
struct NextPanel {
    wxString start, title, duration, eventText;
};
NowPanel FormatNowEvent(const EpgEventInfo& event, std::time_t clock);
NextPanel FormatNextEvent(const EpgEventInfo& event);

struct AudioTrack {
    wxString description, id, pid, active;
};
// False when the answer is not a well-formed document (the caller retries).
bool ParseAudioTracks(const wxString& answer, std::vector<AudioTrack>& tracks);
void MatchAudioTracks(ChoiceView& choice, const std::vector<AudioTrack>& tracks);
wxString AvBoxLabel(int audioCount, int videoCount);

struct SubService {
    wxString ref, name;
};
// False for a wrong root (nothing changes then).
bool ParseSubServices(const wxString& answer, std::vector<SubService>& services);
void ApplySubServices(ChoiceView& video, const std::vector<SubService>& services, const wxString& currentRef);

wxString FormatSimilarEvents(const wxString& answer);

// "%.2d:%.2d" / "%.2d.%.2d.%.4d" in local time.
wxString LocalClockText(std::time_t t);
wxString LocalDateText(std::time_t t);
