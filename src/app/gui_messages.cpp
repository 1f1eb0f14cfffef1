#include "app/gui_messages.h"

#include <wx/msgdlg.h>

namespace {
long StyleOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return wxOK | wxICON_ERROR;
    case MessageIcon::Exclamation:
        return wxOK | wxICON_EXCLAMATION;
    case MessageIcon::Question:
        return wxYES_NO | wxICON_QUESTION;
    case MessageIcon::Information:
        break;
    }
    return wxOK | wxICON_INFORMATION;
}
} // namespace

int ShowMessageBox(const wxString& text, MessageIcon icon, wxWindow* parent) {
    const int answer = wxMessageBox(text, "Tessaro E2", StyleOf(icon), parent);
    if (icon == MessageIcon::Question)
        return answer == wxYES ? wxYES : wxNO; // closing the box is no consent
    return wxOK;
}

void InstallGuiMessageHandler() {
    SetMessageHandler(ShowMessageBox);
}
