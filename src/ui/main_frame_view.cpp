// MyMainFrame: timers and the mouse on the video panel.
#include <wx/xrc/xmlres.h>

#include "ui/main_frame.h"

void MyMainFrame::ConnectMouse() {
    videoPanel->Bind(wxEVT_LEFT_DCLICK, &MyMainFrame::OnVideoLeftDouble, this);
    videoPanel->Bind(wxEVT_RIGHT_UP, &MyMainFrame::OnVideoRightUp, this);
    videoPanel->Bind(wxEVT_LEFT_DOWN, &MyMainFrame::OnVideoLeftDown, this);
    videoPanel->Bind(wxEVT_MOTION, &MyMainFrame::OnVideoMotion, this);
    videoPanel->Bind(wxEVT_LEFT_UP, &MyMainFrame::OnVideoLeftUp, this);
}

void MyMainFrame::PostCommand(const char* resourceName) {
    // Pending, so that the command runs after the current handler has returned.
    auto* event = new wxCommandEvent(wxEVT_TOOL, XRCID(resourceName));
    event->SetEventObject(this);
    QueueEvent(event);
}

void MyMainFrame::OnTimer(wxTimerEvent& event) {
    switch (event.GetId()) {
    case kNowNextTimer:
        RefreshNowNext();
        break;
    case kReminderTimer:
        if (pendingReminder) {
            previousTreeItem = currentTreeItem;
            PlayService(*pendingReminder);
        }
        break;
    default:
        OnStreamTimer(event.GetId());
        break;
    }
}

void MyMainFrame::OnVideoLeftDouble(wxMouseEvent&) {
    PostCommand("ID_TOOL_FULLSCREEN");
}

void MyMainFrame::OnVideoRightUp(wxMouseEvent&) {
    PostCommand("ID_TOOL_STANDALONE");
}

void MyMainFrame::OnVideoLeftDown(wxMouseEvent& event) {
    dragArmed = true;
    dragOffset = videoPanel->ClientToScreen(event.GetPosition()) - GetPosition();
    event.Skip();
}

void MyMainFrame::OnVideoMotion(wxMouseEvent& event) {
    if (!event.Dragging() || !event.LeftIsDown())
        return;
    // The first motion after the press is swallowed, so that a click does not jitter.
    if (dragArmed) {
        dragArmed = false;
        return;
    }
    Move(videoPanel->ClientToScreen(event.GetPosition()) - dragOffset);
}

void MyMainFrame::OnVideoLeftUp(wxMouseEvent& event) {
    event.Skip();
}
