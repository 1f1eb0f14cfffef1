// MySetupDialog: the modal "Konfiguration" dialog that edits AppSettings. Nothing
// reaches AppSettings or the file before "Einstellungen übernehmen": it validates,
// writes the values, saves and ends with kApplied; every other end discards the
// edits and ends with kDiscarded. Pages: receiver profiles ("Netzwerk") and proxy.
#pragma once

#include <wx/dialog.h>

#include "core/settings.h"

#include "extras/setup_profiles.h"

class wxBitmapComboBox;
class wxBitmapButton;
class wxCloseEvent;
class wxTextCtrl;
class wxToggleButton;

class MySetupDialog : public wxDialog {
public:
    static constexpr int kApplied = 1;
    static constexpr int kDiscarded = 2;

    // Edits `settings`; an applied change is saved into dataDir + "tessaro.cfg".
    MySetupDialog(wxWindow* parent, AppSettings& settings, const wxString& dataDir);

private:
    // Network page (setup_dialog_network.cpp).
    void SetUpNetworkPage();
    void FillProfileList(int select);
    void ShowProfile(int index);
    void UpdateProfileButtons();
    void OnProfileSelected(wxCommandEvent& event);
    void OnProfileField(wxCommandEvent& event);
    void OnHttps(wxCommandEvent& event);
    void OnMoveUp(wxCommandEvent& event);
    void OnMoveDown(wxCommandEvent& event);
    void OnRename(wxCommandEvent& event);
    void OnAdd(wxCommandEvent& event);
    void OnDelete(wxCommandEvent& event);
    void SelectMovedProfile(int index);

    // Proxy page (setup_dialog_network.cpp).
    void SetUpProxyPage();
    void EnableProxyFields();
    void OnProxyMode(wxCommandEvent& event);

    // Apply and close (setup_dialog.cpp).
    void WriteInto(AppSettings& target) const;
    void OnApply(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnAnyChange(wxCommandEvent& event);

    ProfileList profiles;
    AppSettings& settings;
    wxString dataDir;
    int selected = 0;
    bool modified = false;

    wxBitmapComboBox* profileChoice = nullptr;
    wxBitmapButton* upButton = nullptr;
    wxBitmapButton* downButton = nullptr;
    wxBitmapButton* renameButton = nullptr;
    wxBitmapButton* addButton = nullptr;
    wxBitmapButton* deleteButton = nullptr;
    wxToggleButton* httpsToggle = nullptr;
    wxTextCtrl* hostText = nullptr;
    wxTextCtrl* webPortText = nullptr;
    wxTextCtrl* streamPortText = nullptr;
    wxTextCtrl* userText = nullptr;
    wxTextCtrl* passText = nullptr;

    wxToggleButton* proxyToggle = nullptr;
    wxTextCtrl* proxyHostText = nullptr;
    wxTextCtrl* proxyPortText = nullptr;
    wxTextCtrl* proxyUserText = nullptr;
    wxTextCtrl* proxyPassText = nullptr;
};
