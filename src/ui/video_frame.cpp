#include "ui/video_frame.h"

#include <wx/sizer.h>
#include <wx/xrc/xmlres.h>

#include "core/settings.h"

MyVideoFrame::MyVideoFrame(const AppSettings& settings) {
    wxXmlResource::Get()->LoadFrame(this, nullptr, "ID_VIDEOFRAME");
    videoPanel = FindWindow(XRCID("ID_STANDALONE_VIDEOWINDOW"));
    const AppSettings::VideoWindow& geometry = settings.videoWindow;
    SetClientSize(geometry.Width, geometry.Height);
    Layout();
    Move(geometry.XPos, geometry.YPos);
    Bind(wxEVT_CLOSE_WINDOW, &MyVideoFrame::OnClose, this);
}

void MyVideoFrame::OnClose(wxCloseEvent& event) {
    if (!event.CanVeto()) {
        Destroy();
        return;
    }
    event.Veto();
    Hide();
}
