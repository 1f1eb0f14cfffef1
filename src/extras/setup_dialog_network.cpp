// The "Netzwerk" page (receiver profiles) and the "Proxy" page of MySetupDialog.
#include <algorithm>

#include <wx/bmpbuttn.h>
#include <wx/bmpcbox.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/valtext.h>
#include <wx/xrc/xmlres.h>

#include "core/message.h"
#include "extras/setup_dialog.h"
#include "extras/text_prompt.h"

namespace {
wxBitmap ProfileImage(int index) {
    return wxXmlResource::Get()->LoadBitmap(wxString::Format("IMG_PROFILE_%d", index + 1));
}

void AllowDigitsOnly(wxTextCtrl* text) {
    text->SetValidator(wxTextValidator(wxFILTER_DIGITS));
}
} // namespace

void MySetupDialog::SetUpNetworkPage() {
    profileChoice = XRCCTRL(*this, "ID_BITMAPCOMBOBOX_PROFILES", wxBitmapComboBox);
    upButton = XRCCTRL(*this, "ID_BITMAPBUTTON_UP", wxBitmapButton);
    downButton = XRCCTRL(*this, "ID_BITMAPBUTTON_DOWN", wxBitmapButton);
    renameButton = XRCCTRL(*this, "ID_BITMAPBUTTON_RENAME", wxBitmapButton);
    addButton = XRCCTRL(*this, "ID_BITMAPBUTTON_ADD", wxBitmapButton);
    deleteButton = XRCCTRL(*this, "ID_BITMAPBUTTON_DEL", wxBitmapButton);
    httpsToggle = XRCCTRL(*this, "ID_TOGGLEBUTTON_SSL", wxToggleButton);
    hostText = XRCCTRL(*this, "ID_TEXTCTRL_ADDR", wxTextCtrl);
    webPortText = XRCCTRL(*this, "ID_TEXTCTRL_PORT", wxTextCtrl);
    streamPortText = XRCCTRL(*this, "ID_TEXTCTRL_STREAMPROXY", wxTextCtrl);
    userText = XRCCTRL(*this, "ID_TEXTCTRL_USER", wxTextCtrl);
    passText = XRCCTRL(*this, "ID_TEXTCTRL_PASS", wxTextCtrl);
    AllowDigitsOnly(webPortText);
    AllowDigitsOnly(streamPortText);

    profileChoice->Bind(wxEVT_COMBOBOX, &MySetupDialog::OnProfileSelected, this);
    for (wxTextCtrl* text : {hostText, webPortText, streamPortText, userText, passText})
        text->Bind(wxEVT_TEXT, &MySetupDialog::OnProfileField, this);
    httpsToggle->Bind(wxEVT_TOGGLEBUTTON, &MySetupDialog::OnHttps, this);
    upButton->Bind(wxEVT_BUTTON, &MySetupDialog::OnMoveUp, this);
    downButton->Bind(wxEVT_BUTTON, &MySetupDialog::OnMoveDown, this);
    renameButton->Bind(wxEVT_BUTTON, &MySetupDialog::OnRename, this);
    addButton->Bind(wxEVT_BUTTON, &MySetupDialog::OnAdd, this);
    deleteButton->Bind(wxEVT_BUTTON, &MySetupDialog::OnDelete, this);

    FillProfileList(profiles.Active());
}

void MySetupDialog::FillProfileList(int select) {
    profileChoice->Clear();
    for (int i = 0; i < profiles.Count(); ++i)
        profileChoice->Append(profiles.At(i).Name, ProfileImage(i));
    ShowProfile(select);
}

void MySetupDialog::ShowProfile(int index) {
    selected = std::clamp(index, 0, std::max(profiles.Count() - 1, 0));
    profileChoice->SetSelection(selected);
    const ReceiverProfile& profile = profiles.At(selected);
    hostText->ChangeValue(profile.Host);
    webPortText->ChangeValue(PortToText(profile.WPort));
    streamPortText->ChangeValue(PortToText(profile.SPort));
    userText->ChangeValue(profile.User);
    passText->ChangeValue(profile.Pass);
    httpsToggle->SetValue(profile.Https != 0);
    UpdateProfileButtons();
}

void MySetupDialog::UpdateProfileButtons() {
    upButton->Enable(profiles.CanMoveUp(selected));
    downButton->Enable(profiles.CanMoveDown(selected));
    deleteButton->Enable(profiles.CanDelete());
    addButton->Enable(profiles.CanAdd());
}

void MySetupDialog::OnProfileSelected(wxCommandEvent& event) {
    ShowProfile(event.GetSelection());
}

void MySetupDialog::OnProfileField(wxCommandEvent&) {
    ReceiverProfile& profile = profiles.At(selected);
    profile.Host = hostText->GetValue().Strip(wxString::both);
    profile.WPort = PortFromText(webPortText->GetValue());
    profile.SPort = PortFromText(streamPortText->GetValue());
    profile.User = userText->GetValue();
    profile.Pass = passText->GetValue();
    modified = true;
}

void MySetupDialog::OnHttps(wxCommandEvent&) {
    ReceiverProfile& profile = profiles.At(selected);
    SetHttps(profile, httpsToggle->GetValue());
    webPortText->ChangeValue(PortToText(profile.WPort));
    modified = true;
}

void MySetupDialog::SelectMovedProfile(int index) {
    if (index < 0)
        return;
    FillProfileList(index);
    modified = true;
}

void MySetupDialog::OnMoveUp(wxCommandEvent&) {
    SelectMovedProfile(profiles.MoveUp(selected));
}

void MySetupDialog::OnMoveDown(wxCommandEvent&) {
    SelectMovedProfile(profiles.MoveDown(selected));
}

void MySetupDialog::OnRename(wxCommandEvent&) {
    wxString name = profiles.At(selected).Name;
    if (!AskText(_("neuer Name für dieses Profil:"), name, this) || !profiles.Rename(selected, name))
        return;
    profileChoice->SetString(selected, name);
    profileChoice->SetSelection(selected);
    modified = true;
}

void MySetupDialog::OnAdd(wxCommandEvent&) {
    wxString name;
    if (!AskText(_("Name für das neue Profil:"), name, this))
        return;
    const int index = profiles.Add(name);
    if (index < 0)
        return;
    FillProfileList(index);
    hostText->SetFocus();
    hostText->SelectAll();
    modified = true;
}

void MySetupDialog::OnDelete(wxCommandEvent&) {
    if (!profiles.CanDelete())
        return;
    if (!settings.general.ExpertMode &&
        ShowMessage(wxString::Format(_("Soll das Profil \"%s\" wirklich gelöscht werden?"),
                                     profiles.At(selected).Name),
                    MessageIcon::Question, this) != wxYES)
        return;
    SelectMovedProfile(profiles.Remove(selected));
}

void MySetupDialog::SetUpProxyPage() {
    proxyToggle = XRCCTRL(*this, "ID_TOGGLEBUTTON_PROXY_MODE", wxToggleButton);
    proxyHostText = XRCCTRL(*this, "ID_TEXTCTRL_PROXY_HOST", wxTextCtrl);
    proxyPortText = XRCCTRL(*this, "ID_TEXTCTRL_PROXY_PORT", wxTextCtrl);
    proxyUserText = XRCCTRL(*this, "ID_TEXTCTRL_PROXY_USER", wxTextCtrl);
    proxyPassText = XRCCTRL(*this, "ID_TEXTCTRL_PROXY_PASS", wxTextCtrl);
    AllowDigitsOnly(proxyPortText);

    const AppSettings::Proxy& proxy = settings.proxy;
    proxyToggle->SetValue(proxy.Mode);
    proxyHostText->ChangeValue(proxy.Host);
    proxyPortText->ChangeValue(PortToText(proxy.Port));
    proxyUserText->ChangeValue(proxy.User);
    proxyPassText->ChangeValue(proxy.Pass);
    EnableProxyFields();

    proxyToggle->Bind(wxEVT_TOGGLEBUTTON, &MySetupDialog::OnProxyMode, this);
    for (wxTextCtrl* text : {proxyHostText, proxyPortText, proxyUserText, proxyPassText})
        text->Bind(wxEVT_TEXT, &MySetupDialog::OnAnyChange, this);
}

void MySetupDialog::EnableProxyFields() {
    const bool on = proxyToggle->GetValue();
    for (wxTextCtrl* text : {proxyHostText, proxyPortText, proxyUserText, proxyPassText})
        text->Enable(on);
}

void MySetupDialog::OnProxyMode(wxCommandEvent&) {
    EnableProxyFields();
    modified = true;
}
