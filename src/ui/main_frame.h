// MyMainFrame: the program's main window and the hub of its commands: video panel,
// channel tree, programme information, tool bar, menus, timers and the close
// sequence. Its implementation is split by concern: main_frame.cpp (construction),
// main_frame_commands.cpp, main_frame_tree.cpp, main_frame_profile.cpp (lists,
// profile switch, power), main_frame_view.cpp (receiver-state view, timers, mouse),
// main_frame_close.cpp and play_service.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include <wx/frame.h>
#include <wx/gdicmn.h>
#include <wx/timer.h>
#include <wx/treebase.h>

#include "ui/channel_tree.h"
#include "ui/play_logic.h"
#include "webif/receiver_client.h"
#include "webif/service_model.h"
#include "webif/state_view.h"

class wxBitmapComboBox;
class wxCloseEvent;
class wxGauge;
class wxHtmlHelpController;
class wxMenu;
class wxMouseEvent;
class wxStaticBitmap;
class wxStaticBox;
class wxStaticText;
class wxStatusBar;
class wxToggleButton;
class wxToolBar;
class wxTreeEvent;
class ComboChoiceView;
class MainAvControls;
class MainStreamView;
class Player;
class StreamSupervisor;
class wxThreadEvent;
struct AppContext;
struct AppSettings;

// Menu items of the ten receiver profiles, in profile order (the tenth is BOX0).
inline constexpr const char* kProfileMenuItems[10] = {
    "ID_MENUITEM_BOX1", "ID_MENUITEM_BOX2", "ID_MENUITEM_BOX3", "ID_MENUITEM_BOX4", "ID_MENUITEM_BOX5",
    "ID_MENUITEM_BOX6", "ID_MENUITEM_BOX7", "ID_MENUITEM_BOX8", "ID_MENUITEM_BOX9", "ID_MENUITEM_BOX0"};

class MyMainFrame : public wxFrame, public ReceiverStateView {
public:
    static constexpr int kMaxBouquetMenus = ServiceListModel::kMaxBouquetMenus;
    enum TimerId {
        kNowNextTimer = 1,
        kReminderTimer,
        kStreamStartTimer,
        kOsdTimer,
        kPositionTimer,
        kResyncTimer
    };

    explicit MyMainFrame(AppContext& context);
    ~MyMainFrame() override;

    // The streaming engine this window plays with (made by MyApp).
    Player& player;

    // The one-shot start-up timer; its owner is the splash window, which runs the
    // start-up sequence when it expires.
    wxTimer startupTimer;

    // --- State shared with other windows (names as the rest of the program uses them).
    ReceiverState receiver; // what the receiver queries write
    wxString& currentServiceRef = receiver.currentServiceRef;
    wxString& currentServiceName = receiver.currentServiceName;
    wxString& nowEventText = receiver.nowEventText;
    wxString& nextEventText = receiver.nextEventText;
    int& currentItemType = receiver.currentItemType;
    wxString previousServiceRef;
    int previousItemType = 0;
    wxTreeItemId currentTreeItem, previousTreeItem;
    wxTreeItemId spareTreeItem; // the third item of the rezap rotation
    wxString lastRecordingTitle, lastRecordingDescription, lastRecordingBegin;
    int videoMode = 0;
    int fullscreenReturnMode = 0;
    bool receiverInStandby = false;
    bool muted = false;
    std::unique_ptr<MyChannelItemData> pendingReminder;
    // True until the start-up sequence has finished: the close request then asks
    // nothing and network failures are shown in message boxes.
    bool startupRunning = true;

    // Favourites menus of the TV bouquets for the video windows.
    std::array<wxMenu*, kMaxBouquetMenus> favouritesMenus{};
    std::array<wxString, kMaxBouquetMenus> bouquetNames;
    std::array<wxTreeItemId, kMaxBouquetMenus> bouquetItems;
    int lastBouquetIndex = -1;

    MyTreeCtrl* Tree() const { return tree; }
    AppSettings& UserSettings() { return settings; }
    const ServiceListModel& ServiceLists() const { return serviceLists; }
    wxTimer& Timer(TimerId id) { return *timers[id - 1]; }

    // Loads one list kind (0 TV providers, 1 TV bouquets, 2 radio providers, 3 radio
    // bouquets) from the active receiver (provider lists from their cache when there is
    // one) and shows it; remembers the tree item of the current service when this load
    // met it first. `done` gets null when the list came, else the failed reply; an
    // unreadable list is logged and counts as loaded.
    using ListDone = std::function<void(const WebReply* failure)>;
    void LoadServiceList(int kind, bool resetCurrentMatch, ListDone done = {});
    // The tree item remembered while loading (invalid when the service was not met).
    wxTreeItemId CurrentServiceItem() const { return currentServiceItem; }
    // Selects the remembered item; current and previous tree item follow the selection.
    void SelectCurrentServiceItem();
    // Plays a service or recording given by its item data (the single zap entry point).
    // Receiver questions and the zap go out first; the stream starts from their replies,
    // unless a newer zap came meanwhile. False when nothing was begun (the same
    // reference, a marker or folder).
    bool PlayService(const MovieItemData& item);
    bool PlayService(const ChannelItemData& data);
    // Plays the receiver's current service as the receiver queries left it (start-up,
    // profile switch) and takes it as the previous one too.
    void PlayCurrentService();
    // Zaps begun so far; a reply of an older zap is dropped.
    std::uint64_t ZapGeneration() const { return zapGeneration; }
    // Play/pause command ("ID_TOOL_PLAY_PAUSE") and stop command ("ID_TOOL_STOP").
    bool StartStreaming();
    void StopStreaming();
    // The streaming engine's GUI half; exists once the pipeline was prepared.
    StreamSupervisor& Supervisor() { return *supervisor; }
    // Connects the engine to this window (event target, video panel); after
    // InitStreaming succeeded.
    void AttachStreaming();
    // Whether the sinks reported playing since the last start, and how often; how
    // many streams brought their first decoded picture to the video sink.
    bool streamPlaying = false;
    int playStarts = 0;
    int firstPictures = 0;
    // Programme information: the now query, then the next query (replies for another
    // service than the current one are dropped).
    void RefreshNowNext();
    // Shows the profile names in the "Streamquelle" menu and checks the active one.
    void RefreshProfileMenu();
    // Switches to receiver profile `index` (0-based) and reloads everything from it.
    bool SwitchProfile(int index);
    // Sends a power command ("powerstate?newstate=N"); asks first where required.
    // True when the command went out.
    bool PowerCommand(int newState);

    // ReceiverStateView
    ReceiverState& State() override { return receiver; }
    void SetBoxLabel(Box box, const wxString& label) override;
    void SetStaticText(int number, const wxString& text) override;
    void SetGauge(int range, int value) override;
    ChoiceView& AudioChoice() override;
    ChoiceView& VideoChoice() override;

    // Sends a command to the receiver on the control lane; `done` (may be empty) runs
    // with the reply while this window exists.
    void Ask(const std::string& command, std::function<void(const WebReply&)> done = {},
             RequestLane lane = RequestLane::Control);

private:
    friend class MainStreamView;

    ReceiverClient& Receiver();
    // A status-line note while receiver requests are pending.
    void ShowPending(const wxString& text);

    // Construction (main_frame.cpp)
    void LookUpControls();
    void LoadContextMenus();
    void DisableUnavailableCommands();
    void ConnectMouse();
    void CreateTimers();
    void SetUpHelp();
    void BindCommands();

    // Commands (main_frame_commands.cpp)
    void OnHome(wxCommandEvent& event);
    void OnQuit(wxCommandEvent& event);
    void OnSetup(wxCommandEvent& event);
    void OnProfileMenu(wxCommandEvent& event);
    void OnPowerMenu(wxCommandEvent& event);
    void OnHelp(wxCommandEvent& event);
    void OnTvRaPlay(wxCommandEvent& event);
    void OnTvRaInfo(wxCommandEvent& event);
    void OnLogger(wxCommandEvent& event);
    void OnTvControl(wxCommandEvent& event);
    void OnKeyCommand(wxCommandEvent& event);

    // Tree (main_frame_tree.cpp)
    void OnTreeActivated(wxTreeEvent& event);
    void OnTreeRightClick(wxTreeEvent& event);
    void OnTreeExpanding(wxTreeEvent& event);
    void LoadProvidersOnDemand(int kind, const wxString& busyText);
    void EmptyFavourites();
    void AdoptBouquetMenus(size_t firstMenu);

    // Timers and mouse (main_frame_view.cpp)
    void OnTimer(wxTimerEvent& event);
    void OnVideoLeftDouble(wxMouseEvent& event);
    void OnVideoRightUp(wxMouseEvent& event);
    void OnVideoLeftDown(wxMouseEvent& event);
    void OnVideoMotion(wxMouseEvent& event);
    void OnVideoLeftUp(wxMouseEvent& event);
    void PostCommand(const char* resourceName);

    // Streaming (main_frame_stream.cpp)
    void BindStreamCommands();
    void OnStreamEvent(wxThreadEvent& event);
    void OnPlayPause(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnStreamTimer(int id);
    void TakeVideoPanelHandle();
    void DrawPanelImage(const wxString& bitmap);

    // Playing (play_service.cpp, play_navigation.cpp)
    // Continues a zap once the receiver said whether the service can play.
    bool PlayabilityConfirmed(const WebReply& reply, bool& tvControlForced);
    void BeginPlay(const MovieItemData& item, bool tvControlForced, std::uint64_t generation);
    void StartSource(const MovieItemData& item, const wxString& url);
    wxString LiveSource(const MovieItemData& item);
    void OnNowNextReply(const WebReply& reply, bool now, const wxString& ref);
    // Where a list's entries begin before it is appended, so that only they are shown.
    struct ListMark {
        size_t firstFolder = 0;
        size_t firstMenu = 0;
        bool matchedBefore = false;
    };
    ListMark MarkList(int kind) const;
    void ShowAppendedList(int kind, const ListMark& mark);
    void SwitchProfileLists();
    wxString RecordingSource(const MovieItemData& item);
    void ShowPicon();
    void ConnectProgressSeek(bool connect);
    void OnProgressMouse(wxMouseEvent& event);
    void OnPositionTimer();
    void OnSkip(wxCommandEvent& event);
    void OnServiceButton(wxCommandEvent& event);
    void OnMarkerButton(wxCommandEvent& event);
    void OnRezap(wxCommandEvent& event);
    bool QueryPositionAndDuration(std::int64_t& position, std::int64_t& duration) const;
    void SeekTo(std::int64_t target, bool keyUnit);
    void StepInBouquet(bool forward);

    // Close (main_frame_close.cpp)
    void OnClose(wxCloseEvent& event);
    bool DownloadRunning() const;

    // Controls, looked up once; owned by the window's child hierarchy.
    wxWindow* videoPanel = nullptr;
    wxToolBar* toolBar = nullptr;
    wxGauge* volumeGauge = nullptr;
    MyTreeCtrl* tree = nullptr;
    std::array<wxStaticBox*, 4> boxes{}; // index 1..3 = ID_BOXSIZER1..3
    std::array<wxString, 4> boxTemplates;
    std::array<wxStaticText*, 7> infoLabels{}; // index 1..6 = ID_STATICTEXT1..6
    wxGauge* progressGauge = nullptr;
    wxToggleButton* tvControlButton = nullptr;
    wxBitmapComboBox* audioChoice = nullptr;
    wxBitmapComboBox* videoChoice = nullptr;
    wxStaticBitmap* picon = nullptr;
    wxStatusBar* statusBar = nullptr;
    std::unique_ptr<ComboChoiceView> audioView;
    std::unique_ptr<ComboChoiceView> videoView;

    std::unique_ptr<wxMenu> tvRaMenu;
    std::unique_ptr<wxMenu> hdMenu;
    std::array<std::unique_ptr<wxTimer>, 6> timers;
    std::unique_ptr<wxHtmlHelpController> helpController;
    bool helpBookLoaded = false;

    wxPoint dragOffset;
    bool dragArmed = false;

    std::unique_ptr<MainStreamView> streamView;
    std::unique_ptr<StreamSupervisor> supervisor;
    std::unique_ptr<MainAvControls> avControls; // volume, mute, tracks, record and screenshot
    bool progressSeekConnected = false;

    ServiceListModel serviceLists;
    wxTreeItemId currentServiceItem;

    AppContext& context;
    AppSettings& settings;
    std::uint64_t zapGeneration = 0;
    // The X11 window last handed to the player (a new one after the panel was re-created).
    std::uintptr_t handedVideoWindow = 0;
    std::uint64_t profileGeneration = 0;
    wxString pendingNote;
    std::array<bool, 2> providersLoading{}; // TV, radio providers asked for on demand
    bool closing = false;                   // the close sequence ran
    // Declared last: destroyed first, so that no reply reaches a half-destroyed window.
    ReplyLifetime lifetime;
};
