#include "ui/main_frame.h"

#include <algorithm>

#include <wx/bmpcbox.h>
#include <wx/filename.h>
#include <wx/fs_arc.h>
#include <wx/gauge.h>
#include <wx/html/helpctrl.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/tglbtn.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "core/paths.h"
#include "core/settings.h"
#include "stream/player.h"
#include "stream/stream_supervisor.h"
#include "ui/app_context.h"
#include "ui/av_controls.h"
#include "ui/combo_choice_view.h"
#include "ui/main_stream_view.h"

namespace {

// Tools that follow the stream state; nothing plays yet, so they start disabled.
const char* const kStreamTools[] = {"ID_TOOL_REW",        "ID_TOOL_FWD",        "ID_TOOL_RECORD",
                                    "ID_TOOL_FULLSCREEN", "ID_TOOL_STANDALONE", "ID_TOOL_WALLPAPER",
                                    "ID_TOOL_TELETEXT",   "ID_TOOL_STREAMINFO", "ID_TOOL_SCREENSHOT"};
// Commands whose engine or dialog is not part of the program yet: present, disabled.
const char* const kUnavailableTools[] = {"ID_TOOL_CHANNELEPG", "ID_TOOL_BOUQUETEPG", "ID_TOOL_EPGSEARCH",
                                         "ID_TOOL_TIMER"};
const char* const kUnavailableMenuItems[] = {"ID_MENUITEM9", "ID_MENUITEM_REMOTECONTROL",
                                             "ID_MENUITEM_MESSAGE", "ID_MENUITEM3"};
const char* const kSortItems[] = {"ID_MENUITEM_SORT_ABC", "ID_MENUITEM_SORT_CBA", "ID_MENUITEM_SORT_123",
                                  "ID_MENUITEM_SORT_321"};

} // namespace

MyMainFrame::MyMainFrame(AppContext& context)
    : player(context.player), context(context), settings(context.settings) {
    wxXmlResource::Get()->LoadFrame(this, nullptr, "ID_MAINFRAME");
    LookUpControls();
    LoadContextMenus();
    DisableUnavailableCommands();
    statusBar = GetStatusBar();
    tree->BuildFixedItems();
    tree->sortMode = settings.general.SortMode;
    tvControlButton->SetValue(settings.general.TVControl != 0);
    RefreshProfileMenu();
    ConnectMouse();
    CreateTimers();
    SetUpHelp();

    // Fixed widths for the titles and times, so that changing texts do not reflow.
    const wxSize titleSize = infoLabels[2]->GetSize();
    const wxSize timeSize = infoLabels[3]->GetSize();
    infoLabels[2]->SetMinSize(titleSize);
    infoLabels[5]->SetMinSize(titleSize);
    infoLabels[3]->SetMinSize(timeSize);
    infoLabels[6]->SetMinSize(timeSize);

    const AppSettings::MainWindow& position = settings.mainWindow;
    if (position.XPos != -1 && position.YPos != -1)
        Move(position.XPos, position.YPos);
    videoMode = 0;
    fullscreenReturnMode = 0;
    muted = false;
    volumeGauge->SetValue(settings.general.Volume);
    volumeGauge->SetToolTip(wxString::Format(_("Lautstärke %d"), settings.general.Volume));
    // The AV box shows counts; with nothing playing both are 0.
    SetBoxLabel(kAvBox, wxString::Format(boxTemplates[kAvBox], 0, 0));

    BindCommands();
    BindStreamCommands();
    avControls = std::make_unique<MainAvControls>(*this);
    wxWindow* panel = FindWindow(XRCID("ID_PANEL"));
    panel->GetSizer()->SetSizeHints(this);
    // GTK tool bars take no part in the frame's size hints; without this the last
    // tools would start out hidden in the tool bar's overflow menu.
    if (wxToolBar* bar = GetToolBar()) {
        const int wanted = bar->GetBestSize().x;
        if (wanted > GetClientSize().x)
            SetClientSize(wanted, GetClientSize().y);
    }
    if (position.XPos == -1 || position.YPos == -1)
        CentreOnScreen();
    panel->Layout();
}

MyMainFrame::~MyMainFrame() {
    if (player.EventTarget() == this)
        player.SetEventTarget(nullptr);
    for (auto& timer : timers)
        if (timer)
            timer->Stop();
    EmptyFavourites();
}

void MyMainFrame::LookUpControls() {
    videoPanel = FindWindow(XRCID("ID_VIDEOWINDOW"));
    toolBar = GetToolBar();
    volumeGauge = XRCCTRL(*this, "ID_GAUGE_VOLUME", wxGauge);
    tree = XRCCTRL(*this, "ID_TREECTRL1", MyTreeCtrl);
    for (int i = 1; i <= 3; ++i) {
        boxes[i] = XRCCTRL(*this, wxString::Format("ID_BOXSIZER%d", i), wxStaticBox);
        // The labels are templates; keep them translated for later formatting.
        boxTemplates[i] = boxes[i]->GetLabel();
    }
    for (int i = 1; i <= 6; ++i)
        infoLabels[i] = XRCCTRL(*this, wxString::Format("ID_STATICTEXT%d", i), wxStaticText);
    progressGauge = XRCCTRL(*this, "ID_GAUGE_PROGRESS", wxGauge);
    tvControlButton = XRCCTRL(*this, "ID_TOGGLEBUTTON_TV", wxToggleButton);
    audioChoice = XRCCTRL(*this, "ID_CHOICE_AUDIO", wxBitmapComboBox);
    videoChoice = XRCCTRL(*this, "ID_CHOICE_VIDEO", wxBitmapComboBox);
    picon = XRCCTRL(*this, "ID_STATIC_PICON", wxStaticBitmap);
    audioView = std::make_unique<ComboChoiceView>(audioChoice, this);
    videoView = std::make_unique<ComboChoiceView>(videoChoice, this);
}

void MyMainFrame::LoadContextMenus() {
    tvRaMenu.reset(wxXmlResource::Get()->LoadMenu("ID_MENU_TVRA"));
    hdMenu.reset(wxXmlResource::Get()->LoadMenu("ID_MENU_HD"));
    const int sortMode = settings.general.SortMode;
    if (sortMode >= 0 && sortMode < 4)
        hdMenu->Check(XRCID(kSortItems[sortMode]), true);
}

void MyMainFrame::DisableUnavailableCommands() {
    for (const char* name : kStreamTools)
        toolBar->EnableTool(XRCID(name), false);
    for (const char* name : kUnavailableTools)
        toolBar->EnableTool(XRCID(name), false);
    volumeGauge->Enable(false);
    for (const char* name : kUnavailableMenuItems)
        GetMenuBar()->Enable(XRCID(name), false);
    tvRaMenu->Enable(XRCID("ID_MENUITEM_TVRA_PIP"), false);
    tvRaMenu->Enable(XRCID("ID_MENUITEM_TVRA_EPG"), false);
    // Recording operations come with the recordings branch; the download item stays
    // enabled because its state means "no download is running".
    for (const char* name :
         {"ID_MENUITEM_HD_INFO", "ID_MENUITEM_HD_EDIT", "ID_MENUITEM_HD_PLAY", "ID_MENUITEM_HD_DELETE"})
        hdMenu->Enable(XRCID(name), false);
}

void MyMainFrame::RefreshProfileMenu() {
    wxMenuBar* menuBar = GetMenuBar();
    const int settingsMenu = menuBar->FindMenu(_("Einstellungen"));
    if (settingsMenu == wxNOT_FOUND)
        return;
    const int count = std::min(settings.profileCount, AppSettings::kProfileSlots);
    for (int i = 0; i < count; ++i) {
        const int id = XRCID(kProfileMenuItems[i]);
        menuBar->Enable(id, true);
        menuBar->SetLabel(id, wxString::Format("#%d: %s", i + 1, settings.profiles[i].Name));
    }
    if (settings.activeProfile >= 0 && settings.activeProfile < count)
        menuBar->Check(XRCID(kProfileMenuItems[settings.activeProfile]), true);
}

void MyMainFrame::CreateTimers() {
    for (int id = kNowNextTimer; id <= kResyncTimer; ++id)
        timers[id - 1] = std::make_unique<wxTimer>(this, id);
    Bind(wxEVT_TIMER, &MyMainFrame::OnTimer, this, kNowNextTimer, kResyncTimer);
}

void MyMainFrame::SetUpHelp() {
    // The help book may be missing in a development tree; the controller then has
    // nothing to show and F1 / the help item stay silent.
    static bool archiveHandlerAdded = false;
    if (!archiveHandlerAdded) {
        wxFileSystem::AddHandler(new wxArchiveFSHandler);
        archiveHandlerAdded = true;
    }
    helpController = std::make_unique<wxHtmlHelpController>();
    const wxString dir = Paths().programDir + "hlp" + wxFILE_SEP_PATH;
    const wxString book = dir + "tessaro-" + settings.general.Language.Lower() + ".htb";
    const wxString fallback = dir + "tessaro-de.htb";
    if (wxFileName::FileExists(book))
        helpBookLoaded = helpController->AddBook(wxFileName(book));
    if (!helpBookLoaded && wxFileName::FileExists(fallback))
        helpBookLoaded = helpController->AddBook(wxFileName(fallback));
    helpController->SetTitleFormat(_("Tessaro Hilfe"));
    GetMenuBar()->Enable(XRCID("ID_MENUITEM4"), helpBookLoaded);
}

void MyMainFrame::SetBoxLabel(Box box, const wxString& label) {
    if (box >= 1 && box <= 3 && boxes[box])
        boxes[box]->SetLabel(label);
}

void MyMainFrame::SetStaticText(int number, const wxString& text) {
    if (number >= 1 && number <= 6)
        infoLabels[number]->SetLabel(text);
}

void MyMainFrame::SetGauge(int range, int value) {
    // A receiver can report an event longer than its duration or one already over;
    // keep the gauge inside its range instead of asserting.
    if (range <= 0) {
        progressGauge->SetValue(0);
        return;
    }
    progressGauge->SetRange(range);
    progressGauge->SetValue(std::clamp(value, 0, range));
}

ChoiceView& MyMainFrame::AudioChoice() {
    return *audioView;
}

ChoiceView& MyMainFrame::VideoChoice() {
    return *videoView;
}

ReceiverClient& MyMainFrame::Receiver() {
    return context.receiver.Client();
}

void MyMainFrame::Ask(const std::string& command, std::function<void(const WebReply&)> done,
                      RequestLane lane) {
    Receiver().Request(
        command, lifetime.Token(),
        [this, done = std::move(done)](const WebReply& reply) {
            if (done)
                done(reply);
            // The note goes when nothing is pending any more, unless something else was
            // shown meanwhile.
            if (!pendingNote.empty() && Receiver().Pending() == 0) {
                if (GetStatusBar() && GetStatusBar()->GetStatusText() == pendingNote)
                    SetStatusText(wxString());
                pendingNote.clear();
            }
        },
        lane);
}

void MyMainFrame::ShowPending(const wxString& text) {
    pendingNote = text;
    SetStatusText(text);
}
