// MyMainFrame: menu, tool and key commands.
#include <wx/html/helpctrl.h>
#include <wx/menu.h>
#include <wx/tglbtn.h>
#include <wx/toolbar.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include "app/key_command.h"
#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "extras/log_frame.h"
#include "extras/setup_dialog.h"
#include "ui/app_context.h"
#include "ui/main_frame.h"

namespace {
constexpr int kKeyEscape = 27;
constexpr int kKeyF1 = 340;
} // namespace

void MyMainFrame::BindCommands() {
    Bind(wxEVT_CLOSE_WINDOW, &MyMainFrame::OnClose, this);
    Bind(KeyCommandEvent, &MyMainFrame::OnKeyCommand, this);
    Bind(wxEVT_MENU, &MyMainFrame::OnHome, this, XRCID("ID_MENUITEM_HOME"));
    Bind(wxEVT_MENU, &MyMainFrame::OnQuit, this, XRCID("ID_MENUITEM1"));
    Bind(wxEVT_MENU, &MyMainFrame::OnSetup, this, XRCID("ID_MENUITEM2"));
    for (const char* name : kProfileMenuItems)
        Bind(wxEVT_MENU, &MyMainFrame::OnProfileMenu, this, XRCID(name));
    for (const char* name :
         {"ID_MENUITEM_REBOOT", "ID_MENUITEM_STANDBY", "ID_MENUITEM_SHUTDOWN", "ID_MENUITEM_RESTART"})
        Bind(wxEVT_MENU, &MyMainFrame::OnPowerMenu, this, XRCID(name));
    Bind(wxEVT_MENU, &MyMainFrame::OnHelp, this, XRCID("ID_MENUITEM4"));
    Bind(wxEVT_MENU, &MyMainFrame::OnTvRaPlay, this, XRCID("ID_MENUITEM_TVRA_PLAY"));
    Bind(wxEVT_MENU, &MyMainFrame::OnTvRaInfo, this, XRCID("ID_MENUITEM_TVRA_INFO"));
    Bind(wxEVT_TOOL, &MyMainFrame::OnLogger, this, XRCID("ID_TOOL_LOGGER"));
    Bind(wxEVT_TOGGLEBUTTON, &MyMainFrame::OnTvControl, this, XRCID("ID_TOGGLEBUTTON_TV"));
    Bind(wxEVT_TREE_ITEM_ACTIVATED, &MyMainFrame::OnTreeActivated, this, XRCID("ID_TREECTRL1"));
    Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, &MyMainFrame::OnTreeRightClick, this, XRCID("ID_TREECTRL1"));
    Bind(wxEVT_TREE_ITEM_EXPANDING, &MyMainFrame::OnTreeExpanding, this, XRCID("ID_TREECTRL1"));
}

void MyMainFrame::OnHome(wxCommandEvent&) {
    wxLaunchDefaultBrowser("file://" + Paths().dataDir);
}

void MyMainFrame::OnQuit(wxCommandEvent&) {
    Close();
}

void MyMainFrame::OnSetup(wxCommandEvent&) {
    MySetupDialog dialog(this, settings, Paths().dataDir);
    if (dialog.ShowModal() != MySetupDialog::kApplied)
        return;
    // New names in the menu; requests from now on go to the profile as it is now.
    RefreshProfileMenu();
    context.receiver.Reconnect();
}

void MyMainFrame::OnProfileMenu(wxCommandEvent& event) {
    const int count = std::min(settings.profileCount, AppSettings::kProfileSlots);
    for (int i = 0; i < count; ++i)
        if (XRCID(kProfileMenuItems[i]) == event.GetId()) {
            SwitchProfile(i);
            return;
        }
}

void MyMainFrame::OnPowerMenu(wxCommandEvent& event) {
    const int id = event.GetId();
    if (id == XRCID("ID_MENUITEM_REBOOT"))
        PowerCommand(2);
    else if (id == XRCID("ID_MENUITEM_STANDBY"))
        PowerCommand(0);
    else if (id == XRCID("ID_MENUITEM_SHUTDOWN"))
        PowerCommand(1);
    else if (id == XRCID("ID_MENUITEM_RESTART"))
        PowerCommand(3);
}

void MyMainFrame::OnHelp(wxCommandEvent&) {
    if (helpBookLoaded)
        helpController->DisplayContents();
}

void MyMainFrame::OnTvRaPlay(wxCommandEvent&) {
    const wxTreeItemId selection = tree->GetSelection();
    const MyChannelItemData* data = MyTreeCtrl::DataOf(*tree, selection);
    if (!data)
        return;
    previousTreeItem = currentTreeItem;
    currentTreeItem = selection;
    PlayService(*data);
}

void MyMainFrame::OnTvRaInfo(wxCommandEvent&) {
    const wxTreeItemId selection = tree->GetSelection();
    const MyChannelItemData* data = MyTreeCtrl::DataOf(*tree, selection);
    if (!data)
        return;
    ShowMessage(wxString::Format(_("Informationen zu diesem Kanal\n\n%s\n%s\n%s\n%s\n%s"),
                                 data->kind == 1 ? "TV" : "RA", data->bouquetName,
                                 tree->GetItemText(selection), data->sRef, data->positionCode),
                MessageIcon::Information, this);
}

void MyMainFrame::OnLogger(wxCommandEvent&) {
    if (MyLogFrame* log = context.windows.LogFrame())
        log->Show(!log->IsShown());
}

void MyMainFrame::OnTvControl(wxCommandEvent&) {
    const bool on = tvControlButton->GetValue();
    settings.general.TVControl = on ? 1 : 0;
    if (!on)
        ShowMessage(
            _("Das Deaktivieren dieser Option wird bei Boxen mit nur einem Tuner zu Problemen führen sobald "
              "ein Sender gestreamt werden soll, welcher nicht auf dem selben Transponder wie der am TV "
              "gesehene liegt!"),
            MessageIcon::Exclamation, this);
}

void MyMainFrame::OnKeyCommand(wxCommandEvent& event) {
    switch (event.GetId()) {
    case kKeyEscape:
        Close();
        break;
    case kKeyF1:
        if (helpBookLoaded)
            helpController->Display("Hauptfenster.htm");
        break;
    default:
        event.Skip();
    }
}
