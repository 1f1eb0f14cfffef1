#include "stream/stream_event.h"

#include <atomic>

wxDEFINE_EVENT(EVT_STREAM, StreamEvent);

namespace {
std::atomic<wxEvtHandler*> g_target{nullptr};
std::atomic<long> g_generation{0};
} // namespace

void NextStreamGeneration() {
    ++g_generation;
}

long StreamGeneration() {
    return g_generation;
}

void SetStreamEventTarget(wxEvtHandler* target) {
    g_target = target;
}

wxEvtHandler* StreamEventTarget() {
    return g_target;
}

void PostStreamEvent(int id, int value, const wxString& text) {
    wxEvtHandler* target = g_target;
    if (!target)
        return;
    auto* event = new StreamEvent(EVT_STREAM, id);
    event->SetInt(value);
    event->SetExtraLong(g_generation);
    if (!text.empty())
        event->SetString(text);
    wxQueueEvent(target, event);
}

void PostStreamLog(int level, const wxString& text) {
    PostStreamEvent(kStreamLog, level, text);
}
