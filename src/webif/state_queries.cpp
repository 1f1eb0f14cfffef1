// Blocking halves of the receiver-state queries: builder, Get, parser.
#include "webif/state_queries.h"

#include "webif/web_commands.h"

QueryOutcome QueryStandby(const ReceiverClient& client, bool& inStandby) {
    return GetAndRead(client, PowerStateCommand(-1),
                      [&](const wxString& answer) { return ParseStandby(answer, inStandby); });
}

QueryOutcome QueryCurrentService(const ReceiverClient& client, ReceiverStateView& view) {
    return GetAndRead(client, CurrentServiceCommand(),
                      [&](const wxString& answer) { return ApplyCurrentService(answer, view.State()); });
}

QueryOutcome QueryNowNext(const ReceiverClient& client, ReceiverStateView& view, bool now) {
    return GetAndRead(
        client, NowNextCommand(view.State().currentServiceRef, now),
        [&](const wxString& answer) { return ApplyNowNext(answer, view, now, std::time(nullptr)); });
}

QueryOutcome QueryAudioTracks(const ReceiverClient& client, ReceiverStateView& view, int& count) {
    return GetAndRead(client, AudioTracksCommand(), [&](const wxString& answer) {
        bool chosen = false;
        return ApplyAudioTracks(answer, view, count, chosen);
    });
}

QueryOutcome QuerySubServices(const ReceiverClient& client, ReceiverStateView& view) {
    return GetAndRead(client, SubServicesCommand(view.State().currentServiceRef),
                      [&](const wxString& answer) { return ApplySubServices(answer, view); });
}

QueryOutcome QuerySimilarEvents(const ReceiverClient& client, const wxString& sRef, const wxString& eventId,
                                wxString& text) {
    return GetAndRead(client, SimilarEventsCommand(sRef, eventId),
                      [&](const wxString& answer) { return ParseSimilarEvents(answer, text); });
}
