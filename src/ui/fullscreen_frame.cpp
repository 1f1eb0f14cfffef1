#include "ui/fullscreen_frame.h"

#include <wx/display.h>
#include <wx/sizer.h>
#include <wx/xrc/xmlres.h>

MyFullscreenFrame::MyFullscreenFrame() {
    wxXmlResource::Get()->LoadFrame(this, nullptr, "ID_FULLFRAME");
    videoPanel = FindWindow(XRCID("ID_FULLSCREEN_VIDEOWINDOW"));
    SetClientSize(wxDisplay(0u).GetGeometry().GetSize());
    Layout();
    Move(0, 0);
    Bind(wxEVT_CLOSE_WINDOW, &MyFullscreenFrame::OnClose, this);
}

void MyFullscreenFrame::OnClose(wxCloseEvent& event) {
    if (!event.CanVeto()) {
        Destroy();
        return;
    }
    event.Veto();
    Hide();
}
