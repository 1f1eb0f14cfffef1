#include "extras/setup_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/xrc/xmlres.h>

#include "core/message.h"
#include "core/settings_store.h"

MySetupDialog::MySetupDialog(wxWindow* parent, AppSettings& settings, const wxString& dataDir)
    : profiles(settings.profiles, settings.profileCount, settings.activeProfile), settings(settings),
      dataDir(dataDir) {
    wxXmlResource::Get()->LoadDialog(this, parent, "ID_DIALOG_SETUP");
    SetUpNetworkPage();
    SetUpProxyPage();

    Bind(wxEVT_BUTTON, &MySetupDialog::OnApply, this, XRCID("ID_BUTTON_APPLY"));
    Bind(wxEVT_BUTTON, &MySetupDialog::OnCancel, this, XRCID("ID_BUTTON_CANCEL"));
    Bind(wxEVT_CLOSE_WINDOW, &MySetupDialog::OnClose, this);
    // Escape acts like the cancel button, with its question.
    SetEscapeId(XRCID("ID_BUTTON_CANCEL"));
    GetSizer()->Fit(this);
}

void MySetupDialog::OnAnyChange(wxCommandEvent& event) {
    modified = true;
    event.Skip();
}

void MySetupDialog::WriteInto(AppSettings& target) const {
    target.profiles = profiles.AllSlots();
    target.profileCount = profiles.Count();
    target.activeProfile = profiles.Active();

    AppSettings::Proxy& proxy = target.proxy;
    proxy.Mode = proxyToggle->GetValue();
    proxy.Host = proxyHostText->GetValue().Strip(wxString::both);
    proxy.Port = PortFromText(proxyPortText->GetValue());
    proxy.User = proxyUserText->GetValue();
    proxy.Pass = proxyPassText->GetValue();
}

void MySetupDialog::OnApply(wxCommandEvent&) {
    AppSettings candidate = settings;
    WriteInto(candidate);
    wxString message;
    if (!ValidateSettingsForApply(candidate, message)) {
        ShowMessage(message, MessageIcon::Exclamation, this);
        return;
    }
    // A port text that is no number is only checked while the proxy is on.
    if (candidate.proxy.Port < 0)
        candidate.proxy.Port = 0;
    candidate.proxyUsable = candidate.proxy.IsComplete();

    const AppSettings previous = settings;
    settings = candidate;
    if (!SaveSettingsTo(settings, dataDir, false)) {
        // Saying "applied" without a file would lose the configuration at the next start.
        settings = previous;
        ShowMessage(_("Die Einstellungen konnten nicht gespeichert werden!"), MessageIcon::Error, this);
        return;
    }
    EndModal(kApplied);
}

void MySetupDialog::OnCancel(wxCommandEvent&) {
    Close();
}

void MySetupDialog::OnClose(wxCloseEvent& event) {
    if (modified && !settings.general.ExpertMode && event.CanVeto() &&
        ShowMessage(_("Alle Änderungen wirklich verwerfen?"), MessageIcon::Question, this) != wxYES) {
        event.Veto();
        return;
    }
    EndModal(kDiscarded);
}
