// The main window's record, screenshot, volume, mute and audio-track controls in
// the real program against the simulator under X (video to "ximagesink", audio
// to "fakesink"). One process, one scenario; prints "av: N failure(s)".
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gst/gst.h>
#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "core/settings.h"
#include "e2sim_fixture.h"
#include "extras/log_frame.h"
#include "gui_scenario.h"
#include "mini_json.h"
#include "stream/player.h"
#include "stream/recording.h"
#include "stream/screenshot.h"
#include "ui/main_frame.h"

namespace {

using namespace gui_scenario;

// H.264 with MP2 and AC-3: two audio tracks.
const char* const kTwoTrackRef = "1:0:19:2800:3F1:85:C00000:0:0:0:";
// As above, plus DVB subtitles "deu" on 0x104.
const char* const kSubtitlesRef = "1:0:19:2803:3F1:1:C00000:0:0:0:";

E2SimProcess* g_sim = nullptr;
wxString g_recDir;
Clock::time_point g_recordStart;

wxArrayString Files(const wxString& pattern) {
    wxArrayString files;
    wxDir::GetAllFiles(g_recDir, &files, pattern, wxDIR_FILES);
    return files;
}

double VolumeProperty(Player& player) {
    double v = -1;
    player.WithElement(&PlaybackPipeline::volume,
                       [&](GstElement* e) { g_object_get(e, "volume", &v, nullptr); });
    return v;
}

std::string OverlayState(Player& player, bool* silent) {
    gchar* text = nullptr;
    gboolean quiet = TRUE;
    player.WithElement(&PlaybackPipeline::textOverlay,
                       [&](GstElement* e) { g_object_get(e, "text", &text, "silent", &quiet, nullptr); });
    *silent = quiet;
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

void SendMouse(wxWindow* window, wxEventType type, int x) {
    wxMouseEvent event(type);
    event.m_x = x;
    event.m_leftDown = type == wxEVT_LEFT_DOWN;
    event.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(event);
}

void ClickRecordTool(MyMainFrame& frame, bool on) {
    const int id = XRCID("ID_TOOL_RECORD");
    frame.GetToolBar()->ToggleTool(id, on);
    wxCommandEvent event(wxEVT_TOOL, id);
    event.SetInt(on);
    event.SetEventObject(frame.GetToolBar());
    frame.ProcessWindowEvent(event);
}

bool Playing(MyMainFrame& frame) {
    return frame.streamPlaying && frame.player.IsPlaying();
}

wxMenu* SubtitleMenu(MyMainFrame& frame) {
    wxMenuItem* item = frame.GetMenuBar()->FindItem(XRCID("ID_MENU_SUBTITLE"));
    return item ? item->GetSubMenu() : nullptr;
}

bool OverlayEnabled(MyMainFrame& frame) {
    gboolean enabled = FALSE;
    frame.player.WithElement(&PlaybackPipeline::subtitleOverlay,
                             [&](GstElement* e) { g_object_get(e, "enable", &enabled, nullptr); });
    return enabled;
}

void ChooseMenuItem(MyMainFrame& frame, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    frame.ProcessWindowEvent(event);
}

void AddSubtitleSteps(std::vector<Step>& steps) {
    steps.push_back({"the resources load without complaint", [](MyMainFrame&) {
                         MyLogFrame* logFrame = wxGetApp().LogFrame();
                         auto* log = logFrame ? XRCCTRL(*logFrame, "ID_TEXTCTRL_LOG", wxTextCtrl) : nullptr;
                         Check(log && !log->GetValue().Contains("style flag"),
                               "no XRC style error in the log");
                         return true;
                     }});
    steps.push_back({"play a service with subtitles", [](MyMainFrame& frame) {
                         Check(!frame.GetMenuBar()->IsEnabled(XRCID("ID_MENU_SUBTITLE")),
                               "\"Untertitel\" disabled without subtitles");
                         ChannelItemData data;
                         data.kind = kKindTV;
                         data.sRef = kSubtitlesRef;
                         frame.PlayService(data);
                         return true;
                     }});
    steps.push_back(
        {"subtitle menu lists the stream", [](MyMainFrame& frame) {
             if (!Playing(frame) || !frame.GetMenuBar()->IsEnabled(XRCID("ID_MENU_SUBTITLE")))
                 return false;
             // Opening the "Anzeige" menu fills the submenu.
             wxMenu* view = nullptr;
             frame.GetMenuBar()->FindItem(XRCID("ID_MENU_SUBTITLE"), &view);
             wxMenuEvent open(wxEVT_MENU_OPEN, wxID_ANY, view);
             frame.ProcessWindowEvent(open);
             wxMenu* menu = SubtitleMenu(frame);
             Check(menu && menu->GetMenuItemCount() == 3, "\"Deaktivieren\", separator, one stream");
             if (!menu || menu->GetMenuItemCount() != 3)
                 return true;
             const wxMenuItem* entry = menu->FindItemByPosition(2);
             Check(entry->GetItemLabelText() == "deu" && entry->GetHelp() == "260",
                   "entry \"deu\" with its PID");
             Check(menu->IsChecked(XRCID("ID_MENUITEM_SUBTITLE_OFF")) && !OverlayEnabled(frame),
                   "off by default");
             ChooseMenuItem(frame, entry->GetId());
             Check(OverlayEnabled(frame) && wxGetApp().settings.general.Subtitles == 1,
                   "chosen: overlay on, GENERAL/Subtitles 1");
             Check(menu->IsChecked(entry->GetId()) && !menu->IsChecked(XRCID("ID_MENUITEM_SUBTITLE_OFF")),
                   "the stream's entry checked");
             ChooseMenuItem(frame, XRCID("ID_MENUITEM_SUBTITLE_OFF"));
             Check(!OverlayEnabled(frame) && wxGetApp().settings.general.Subtitles == 0 &&
                       menu->IsChecked(XRCID("ID_MENUITEM_SUBTITLE_OFF")),
                   "\"Deaktivieren\": overlay off, GENERAL/Subtitles 0");
             return true;
         }});
}

void AddSteps(std::vector<Step>& steps) {
    steps.push_back({"play a service with two audio tracks", [](MyMainFrame& frame) {
                         ChannelItemData data;
                         data.kind = kKindTV;
                         data.sRef = kTwoTrackRef;
                         frame.PlayService(data);
                         return true;
                     }});
    steps.push_back({"playing with two tracks",
                     [](MyMainFrame& frame) { return Playing(frame) && frame.AudioChoice().Count() == 2; }});
    steps.push_back({"record tool starts a file", [](MyMainFrame& frame) {
                         ClickRecordTool(frame, true);
                         Check(!RecordingPath(frame.player).empty(),
                               "recording runs after the tool was toggled");
                         g_recordStart = Clock::now();
                         return true;
                     }});
    steps.push_back({"record for three seconds",
                     [](MyMainFrame&) { return Clock::now() - g_recordStart > std::chrono::seconds(3); }});
    steps.push_back({"record tool ends the file", [](MyMainFrame& frame) {
                         ClickRecordTool(frame, false);
                         Check(RecordingPath(frame.player).empty(), "recording ended with the tool");
                         const wxArrayString files = Files("te_*.ts");
                         Check(files.size() == 1, "one recording file in GENERAL/RecDir");
                         Check(!files.empty() && wxFileName::GetSize(files[0]) > 50000,
                               "recording holds data");
                         return true;
                     }});
    steps.push_back({"screenshot tool saves the picture", [](MyMainFrame& frame) {
                         wxCommandEvent click(wxEVT_TOOL, XRCID("ID_TOOL_SCREENSHOT"));
                         frame.ProcessWindowEvent(click);
                         const wxArrayString files = Files("te_*.png");
                         Check(files.size() == 1, "one screenshot in GENERAL/RecDir");
                         wxImage image;
                         Check(!files.empty() && image.LoadFile(files[0], wxBITMAP_TYPE_PNG),
                               "screenshot loads");
                         const VideoFacts v = frame.player.SnapshotInfo().video;
                         Check(image.GetWidth() == SquarePixelWidth(v.width, v.parNum, v.parDen) &&
                                   image.GetHeight() == v.height,
                               "screenshot has the picture's size");
                         return true;
                     }});
    steps.push_back(
        {"gauge sets the volume", [](MyMainFrame& frame) {
             auto* gauge = XRCCTRL(frame, "ID_GAUGE_VOLUME", wxGauge);
             SendMouse(gauge, wxEVT_LEFT_DOWN, 40);
             Check(wxGetApp().settings.general.Volume == 40 && gauge->GetValue() == 40, "gauge at 40");
             Check(std::abs(VolumeProperty(frame.player) - 0.4) < 1e-6, "\"Volume\" at 0.4");
             bool silent = true;
             Check(OverlayState(frame.player, &silent) == "VOLUME 40" && !silent, "volume text shown");
             return true;
         }});
    steps.push_back({"middle button mutes and unmutes", [](MyMainFrame& frame) {
                         wxWindow* panel = frame.FindWindow(XRCID("ID_VIDEOWINDOW"));
                         SendMouse(panel, wxEVT_MIDDLE_DOWN, 10);
                         bool silent = true;
                         Check(frame.muted && VolumeProperty(frame.player) == 0.0, "muted");
                         Check(OverlayState(frame.player, &silent) == "MUTE" && !silent, "\"MUTE\" shown");
                         SendMouse(panel, wxEVT_MIDDLE_DOWN, 10);
                         Check(!frame.muted && std::abs(VolumeProperty(frame.player) - 0.4) < 1e-6,
                               "unmuted at 0.4");
                         OverlayState(frame.player, &silent);
                         Check(silent, "\"MUTE\" hidden");
                         return true;
                     }});
    steps.push_back({"second audio track", [](MyMainFrame& frame) {
                         frame.AudioChoice().Select(1);
                         frame.AudioChoice().SendSelectionEvent(1);
                         return true;
                     }});
    steps.push_back({"selector and receiver follow",
                     [](MyMainFrame& frame) {
                         long pid = 0;
                         frame.AudioChoice().Value(1).ToLong(&pid);
                         GstPad* active = nullptr;
                         frame.player.WithElement(&PlaybackPipeline::audioInputSelector, [&](GstElement* e) {
                             g_object_get(e, "active-pad", &active, nullptr);
                         });
                         if (active)
                             gst_object_unref(active);
                         const StreamInfo info = frame.player.SnapshotInfo();
                         const bool switched =
                             active && active == info.audio[1].selectorPad && info.audio[1].pid == pid;
                         const Json chosen =
                             Json::Parse(g_sim->SimGet("/sim/state"))["audio_track"][kTwoTrackRef];
                         return switched && chosen.number == pid;
                     },
                     10});
}

} // namespace

int main(int, char**) {
    PrivateHome home("av");
    g_recDir = wxString::FromUTF8(home.path + "/rec/");
    wxFileName::Mkdir(g_recDir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    E2SimProcess sim;
    if (!sim.Start()) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }
    g_sim = &sim;
    WriteConfig(home, {&sim}, "TVControl=1\nRecDir=" + g_recDir.utf8_string() + "\n");

    StepDriver driver;
    AddSteps(driver.steps);
    AddSubtitleSteps(driver.steps);
    RunProgram(home, {"tessaro"}, new ScenarioApp(driver, 100));
    sim.Stop();
    return Report("av");
}
