// The main window's record, screenshot, volume, mute and audio-track controls in
// the real program against the simulator under X (video to "ximagesink", audio
// to "fakesink"). One process, one scenario; prints "av: N failure(s)".
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gst/gst.h>
#include <wx/app.h>
#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/timer.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "app/message.h"
#include "app/settings.h"
#include "e2sim_fixture.h"
#include "mini_json.h"
#include "stream/pipeline.h"
#include "stream/recording.h"
#include "stream/screenshot.h"
#include "stream/stream_info.h"
#include "ui/main_frame.h"

namespace {

using Clock = std::chrono::steady_clock;

// H.264 with MP2 and AC-3: two audio tracks.
const char* const kTwoTrackRef = "1:0:19:2800:3F1:85:C00000:0:0:0:";

struct Step {
    std::string name;
    std::function<bool(MyMainFrame&)> run; // true: done
    double timeoutS = 30;
};

std::vector<std::string> g_failures;
E2SimProcess* g_sim = nullptr;
wxString g_recDir;
Clock::time_point g_recordStart;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        g_failures.push_back(what);
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    }
}

wxArrayString Files(const wxString& pattern) {
    wxArrayString files;
    wxDir::GetAllFiles(g_recDir, &files, pattern, wxDIR_FILES);
    return files;
}

double VolumeProperty() {
    double v = -1;
    std::lock_guard lock(ChainMutex());
    if (Pipeline().volume)
        g_object_get(Pipeline().volume, "volume", &v, nullptr);
    return v;
}

std::string OverlayState(bool* silent) {
    std::lock_guard lock(ChainMutex());
    gchar* text = nullptr;
    gboolean quiet = TRUE;
    if (Pipeline().textOverlay)
        g_object_get(Pipeline().textOverlay, "text", &text, "silent", &quiet, nullptr);
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
    GstState state = GST_STATE_NULL;
    if (Pipeline().pipeline)
        gst_element_get_state(Pipeline().pipeline, &state, nullptr, 0);
    return frame.streamPlaying && state == GST_STATE_PLAYING;
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
                         Check(!RecordingPath().empty(), "recording runs after the tool was toggled");
                         g_recordStart = Clock::now();
                         return true;
                     }});
    steps.push_back({"record for three seconds",
                     [](MyMainFrame&) { return Clock::now() - g_recordStart > std::chrono::seconds(3); }});
    steps.push_back({"record tool ends the file", [](MyMainFrame& frame) {
                         ClickRecordTool(frame, false);
                         Check(RecordingPath().empty(), "recording ended with the tool");
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
                         const VideoFacts v = SnapshotStreamInfo().video;
                         Check(image.GetWidth() == SquarePixelWidth(v.width, v.parNum, v.parDen) &&
                                   image.GetHeight() == v.height,
                               "screenshot has the picture's size");
                         return true;
                     }});
    steps.push_back({"gauge sets the volume", [](MyMainFrame& frame) {
                         auto* gauge = XRCCTRL(frame, "ID_GAUGE_VOLUME", wxGauge);
                         SendMouse(gauge, wxEVT_LEFT_DOWN, 40);
                         Check(Settings().general.Volume == 40 && gauge->GetValue() == 40, "gauge at 40");
                         Check(std::abs(VolumeProperty() - 0.4) < 1e-6, "\"Volume\" at 0.4");
                         bool silent = true;
                         Check(OverlayState(&silent) == "VOLUME 40" && !silent, "volume text shown");
                         return true;
                     }});
    steps.push_back({"middle button mutes and unmutes", [](MyMainFrame& frame) {
                         wxWindow* panel = frame.FindWindow(XRCID("ID_VIDEOWINDOW"));
                         SendMouse(panel, wxEVT_MIDDLE_DOWN, 10);
                         bool silent = true;
                         Check(frame.muted && VolumeProperty() == 0.0, "muted");
                         Check(OverlayState(&silent) == "MUTE" && !silent, "\"MUTE\" shown");
                         SendMouse(panel, wxEVT_MIDDLE_DOWN, 10);
                         Check(!frame.muted && std::abs(VolumeProperty() - 0.4) < 1e-6, "unmuted at 0.4");
                         OverlayState(&silent);
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
                         g_object_get(Pipeline().audioInputSelector, "active-pad", &active, nullptr);
                         if (active)
                             gst_object_unref(active);
                         const StreamInfo info = SnapshotStreamInfo();
                         const bool switched =
                             active && active == info.audio[1].selectorPad && info.audio[1].pid == pid;
                         const Json chosen =
                             Json::Parse(g_sim->SimGet("/sim/state"))["audio_track"][kTwoTrackRef];
                         return switched && chosen.number == pid;
                     },
                     10});
}

class Driver : public wxTimer {
public:
    void Notify() override {
        MyMainFrame* frame = wxGetApp().mainFrame;
        if (!frame || frame->startupRunning || !frame->IsShown())
            return;
        if (index >= steps.size()) {
            Finish(*frame);
            return;
        }
        Step& step = steps[index];
        if (stepStart == Clock::time_point{})
            stepStart = Clock::now();
        if (step.run(*frame)) {
            ++index;
            stepStart = {};
        } else if (std::chrono::duration<double>(Clock::now() - stepStart).count() > step.timeoutS) {
            Check(false, "step timed out: " + step.name);
            index = steps.size();
        }
    }
    void Finish(MyMainFrame& frame) {
        Stop();
        Settings().general.ExpertMode = 1;
        frame.Close();
    }
    std::vector<Step> steps;
    size_t index = 0;
    Clock::time_point stepStart{};
};

class AvTestApp : public MyApp {
public:
    bool OnInit() override {
        AddSteps(driver.steps);
        if (!MyApp::OnInit())
            return false;
        driver.Start(100);
        return true;
    }
    int OnExit() override {
        driver.Stop();
        return MyApp::OnExit();
    }

protected:
    void InstallMessageOutput() override {
        SetMessageHandler([](const wxString& text, MessageIcon, wxWindow*) {
            std::fprintf(stderr, "message: %s\n", text.utf8_str().data());
            return wxYES;
        });
    }

private:
    Driver driver;
};

void WriteConfig(const std::string& dir, const E2SimProcess& sim) {
    std::ofstream cfg(dir + "/.tessaro/tessaro.cfg");
    cfg << "[GENERAL]\nLanguage=DE\nOnlineUpdate=0\nExpertMode=0\nVideoSink=ximagesink\nAudioSink=fakesink\n"
        << "TVControl=1\nRecDir=" << g_recDir.utf8_str().data() << "\n[SRCSERVER]\nPort=0\n"
        << "[PROFILE1]\nName=Sim\nHost=localhost\nUser=root\nPass=tunerpwd\nWPort=" << sim.webPort()
        << "\nSPort=" << sim.streamPort() << "\nHttps=0\n";
}

} // namespace

int main(int, char**) {
    char homeTemplate[] = "/tmp/tessaro-av-gui-XXXXXX";
    const std::string home = mkdtemp(homeTemplate);
    wxFileName::Mkdir(home + "/.tessaro", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    g_recDir = wxString::FromUTF8(home + "/rec/");
    wxFileName::Mkdir(g_recDir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    E2SimProcess sim;
    if (!sim.Start()) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }
    g_sim = &sim;
    WriteConfig(home, sim);
    setenv("HOME", home.c_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);

    wxApp::SetInstance(new AvTestApp);
    char arg0[] = "tessaro";
    char* fakeArgv[] = {arg0, nullptr};
    int fakeArgc = 1;
    wxEntry(fakeArgc, fakeArgv);

    sim.Stop();
    wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
    std::printf("av: %zu failure(s)\n", g_failures.size());
    return g_failures.empty() ? 0 : 1;
}
