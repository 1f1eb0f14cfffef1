// MyMainFrame::PlayService: the single entry point for zapping. Streaming is not part
// of the program yet, so it records the choice and shows what the receiver reports
// about it; it never claims that anything plays.
#include "ui/main_frame.h"
#include "webif/state_queries.h"

namespace {
constexpr int kNowNextRefreshMs = 60000;
} // namespace

bool MyMainFrame::PlayService(const ChannelItemData& data) {
    if (data.kind != kKindTV && data.kind != kKindRadio && data.kind != kKindRecording)
        return false;
    if (data.sRef.empty() || data.sRef.StartsWith("1:64:"))
        return false;
    Timer(kNowNextTimer).Stop();
    if (!currentServiceRef.empty() && currentServiceRef != data.sRef) {
        previousServiceRef = currentServiceRef;
        previousItemType = currentItemType;
    }
    currentServiceRef = data.sRef;
    currentItemType = data.kind;
    if (data.kind == kKindRecording)
        return true;
    SetBoxLabel(kPlayModeBox,
                data.kind == kKindTV ? _(" Wiedergabemodus [ TV ] ") : _(" Wiedergabemodus [ RA ] "));
    RefreshNowNext();
    Timer(kNowNextTimer).Start(kNowNextRefreshMs);
    return true;
}

void MyMainFrame::RefreshNowNext() {
    if (currentServiceRef.empty())
        return;
    if (QueryNowNext(*this, true))
        QueryNowNext(*this, false);
    Layout();
}
