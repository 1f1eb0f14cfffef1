#include "extras/log_frame.h"

#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "app/key_command.h"

MyLogFrame::MyLogFrame() {
    wxXmlResource::Get()->LoadFrame(this, nullptr, "ID_LOGFRAME");
    auto* logText = XRCCTRL(*this, "ID_TEXTCTRL_LOG", wxTextCtrl);
    logTarget = new wxLogTextCtrl(logText);
    delete wxLog::SetActiveTarget(logTarget);
    GetSizer()->Fit(this);
    Bind(wxEVT_CLOSE_WINDOW, &MyLogFrame::OnClose, this);
    Bind(KeyCommandEvent, &MyLogFrame::OnKeyCommand, this);
}

MyLogFrame::~MyLogFrame() {
    // The text control dies with this window; later lines go to the terminal.
    if (wxLog::GetActiveTarget() == logTarget)
        delete wxLog::SetActiveTarget(new wxLogStderr);
}

void MyLogFrame::OnClose(wxCloseEvent& event) {
    if (event.CanVeto()) {
        event.Veto();
        Hide();
        return;
    }
    Destroy();
}

void MyLogFrame::OnKeyCommand(wxCommandEvent& event) {
    if (event.GetId() == WXK_ESCAPE)
        Close();
    else
        event.Skip();
}
