// Small queries of the receiver's state (standby, current service, now/next, audio
// tracks, sub-services, similar broadcasts). Each is command builder + pure parse/apply;
// the GUI sends the command with ReceiverClient::Request and applies the reply's body.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include <wx/string.h>

#include "webif/receiver_client.h"
#include "webif/state_view.h"

// --- Answers: what a reply handler calls with the reply's body. Each returns false for
// an unreadable answer (malformed, truncated, wrong root); nothing changes then. ---
bool ParseStandby(const wxString& answer, bool& inStandby);
bool ApplyCurrentService(const wxString& answer, ReceiverState& state);
// The "epgservicenow" (now) or "epgservicenext" answer into the panel; a readable list
// without events changes nothing.
bool ApplyNowNext(const wxString& answer, ReceiverStateView& view, bool now, std::time_t clock);
// False when the answer should be asked for again (right after a zap the receiver may
// not have the track list yet); `count` is the number of tracks read, `chosen` whether
// the receiver's active track is one of the choice's entries (and now selected).
bool ApplyAudioTracks(const wxString& answer, ReceiverStateView& view, int& count, bool& chosen);
bool ApplySubServices(const wxString& answer, ReceiverStateView& view);
bool ParseSimilarEvents(const wxString& answer, wxString& text);
// "serviceplayable": whether a tuner is free for the service.
bool ParseServicePlayable(const wxString& answer, bool& playable);

// --- Blocking queries: command builder (web_commands.h) + Get + the parser above. For
// tessaro-query, tests and worker threads. ---
QueryOutcome QueryStandby(const ReceiverClient& client, bool& inStandby);
QueryOutcome QueryCurrentService(const ReceiverClient& client, ReceiverStateView& view);
QueryOutcome QueryNowNext(const ReceiverClient& client, ReceiverStateView& view, bool now);
// One try; the caller decides about asking again.
QueryOutcome QueryAudioTracks(const ReceiverClient& client, ReceiverStateView& view, int& count);
QueryOutcome QuerySubServices(const ReceiverClient& client, ReceiverStateView& view);
QueryOutcome QuerySimilarEvents(const ReceiverClient& client, const wxString& sRef, const wxString& eventId,
                                wxString& text);

// --- Pure parts ---
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
// False when the answer has no track list (the caller asks again).
bool ParseAudioTracks(const wxString& answer, std::vector<AudioTrack>& tracks);
// A receiver's or a choice entry's PID text ("427" or "0x1AB") as a number; -1 when
// it is none.
long TrackPid(const wxString& text);
// Gives the entries the receiver's labels and ids by PID and selects the receiver's
// active track (sending the selection event); false when that track is not listed.
bool MatchAudioTracks(ChoiceView& choice, const std::vector<AudioTrack>& tracks);
wxString AvBoxLabel(int audioCount, int videoCount);

struct SubService {
    wxString ref, name;
};
// False for a wrong root (nothing changes then).
bool ParseSubServices(const wxString& answer, std::vector<SubService>& services);
void ApplySubServices(ChoiceView& video, const std::vector<SubService>& services, const wxString& currentRef);

// "%.2d:%.2d" / "%.2d.%.2d.%.4d" in local time.
wxString LocalClockText(std::time_t t);
wxString LocalDateText(std::time_t t);
