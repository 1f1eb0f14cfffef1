#include "stream/stream_event.h"

wxDEFINE_EVENT(EVT_STREAM, wxThreadEvent);

void PostStreamEvent(wxEvtHandler* target, StreamEvent event) {
    if (!target)
        return;
    // The payload is copied into the event here; std::string has no shared buffer,
    // so nothing of it is left behind in the posting thread.
    auto* posted = new wxThreadEvent(EVT_STREAM);
    posted->SetPayload(std::move(event));
    wxQueueEvent(target, posted);
}

StreamEvent StreamEventOf(const wxThreadEvent& event) {
    return event.GetPayload<StreamEvent>();
}

const char* ProblemPrefix(int level) {
    switch (level) {
    case kLogError:
        return "ERR";
    case kLogWarning:
        return "WRN";
    default:
        return "INF";
    }
}

std::string ProblemText(const stream_event::Problem& p) {
    return std::string(ProblemPrefix(p.level)) + " [" + p.source + "#" + p.message + "#" + p.debug + "]";
}
