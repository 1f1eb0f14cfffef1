#include "gui_scenario.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/filename.h>

#include "app/splash_frame.h"
#include "core/message.h"
#include "core/settings.h"
#include "e2sim_fixture.h"
#include "mini_json.h"
#include "ui/main_frame.h"

namespace gui_scenario {

std::vector<std::string> g_failures;
std::vector<wxString> g_messages;
int g_answer = wxYES;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        g_failures.push_back(what);
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    }
}

bool StepDriver::Poll() {
    // Steps that yield or switch profiles run nested event loops, where the timer fires again.
    if (busy || finished)
        return finished;
    busy = true;
    Tick();
    busy = false;
    return finished;
}

void StepDriver::Tick() {
    MyApp& app = wxGetApp();
    if (!ticked) {
        ticked = true;
        sawSplash = app.splashFrame != nullptr && app.splashFrame->IsShown();
    }
    MyMainFrame* frame = app.mainFrame;
    if (mainWindowReady == Clock::time_point{}) {
        if (std::chrono::duration<double>(Clock::now() - created).count() > startupTimeoutS) {
            Check(false, "start-up did not finish in time");
            finished = true;
            if (frame)
                frame->Close(true);
            return;
        }
        if (!frame || frame->startupRunning || !frame->IsShown())
            return;
        mainWindowReady = Clock::now();
    }
    if (index >= steps.size() || (stopAtFirstFailure && !g_failures.empty())) {
        Finish(frame);
        return;
    }
    if (stepStart == Clock::time_point{})
        stepStart = Clock::now();
    Step& step = steps[index];
    if (step.run(*frame)) {
        ++index;
        stepStart = {};
    } else if (std::chrono::duration<double>(Clock::now() - stepStart).count() > step.timeoutS) {
        Check(false, "step timed out: " + step.name);
        Finish(frame);
    }
}

void StepDriver::Finish(MyMainFrame* frame) {
    finished = true;
    index = steps.size();
    wxGetApp().settings.general.ExpertMode = 1;
    frame->Close();
}

bool ScenarioApp::OnInit() {
    if (!MyApp::OnInit())
        return false;
    timer.Start(pollMs);
    return true;
}

int ScenarioApp::OnExit() {
    timer.Stop();
    return MyApp::OnExit();
}

void ScenarioApp::InstallMessageOutput() {
    SetMessageHandler([](const wxString& text, MessageIcon, wxWindow*) {
        g_messages.push_back(text);
        std::fprintf(stderr, "message: %s\n", text.utf8_str().data());
        return g_answer;
    });
}

PrivateHome::PrivateHome(const char* tag) {
    std::string pattern = std::string("/tmp/tessaro-") + tag + "-XXXXXX";
    path = mkdtemp(pattern.data()) ? pattern : std::string();
    wxFileName::Mkdir(path + "/.tessaro", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
}

PrivateHome::~PrivateHome() {
    if (!path.empty())
        wxFileName::Rmdir(path, wxPATH_RMDIR_RECURSIVE);
}

void WriteConfig(const PrivateHome& home, const std::vector<const E2SimProcess*>& sims,
                 const std::string& general) {
    std::ofstream cfg(home.path + "/.tessaro/tessaro.cfg");
    cfg << "[GENERAL]\nLanguage=DE\nOnlineUpdate=0\nExpertMode=0\nVideoSink=ximagesink\nAudioSink=fakesink\n"
        << general << "[SRCSERVER]\nPort=0\n";
    int n = 0;
    for (const E2SimProcess* sim : sims) {
        ++n;
        cfg << "[PROFILE" << n << "]\nName=Sim" << n
            << "\nHost=localhost\nUser=root\nPass=tunerpwd\nWPort=" << sim->webPort()
            << "\nSPort=" << sim->streamPort() << "\nHttps=0\n";
    }
}

void RunProgram(const PrivateHome& home, const std::vector<std::string>& args, ScenarioApp* app) {
    setenv("HOME", home.path.c_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);
    wxApp::SetInstance(app);
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(copies.size());
    wxEntry(argc, argv.data());
}

int Report(const std::string& scenario) {
    std::printf("%s: %zu failure(s)\n", scenario.c_str(), g_failures.size());
    return g_failures.empty() ? 0 : 1;
}

void SaveFrameShot(wxWindow& frame, const char* fileName) {
    const wxRect rect = frame.GetScreenRect();
    wxBitmap shot(rect.width, rect.height);
    wxMemoryDC memory(shot);
    wxScreenDC screen;
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
    const wxString path = wxString(TESSARO_TEST_OUTPUT_DIR) + "/" + fileName;
    Check(shot.SaveFile(path, wxBITMAP_TYPE_PNG), "screenshot saved");
    std::printf("screenshot: %s\n", path.utf8_str().data());
}

std::vector<std::string> Zaps(const E2SimProcess& sim) {
    std::vector<std::string> zaps;
    const Json state = Json::Parse(sim.SimGet("/sim/state"));
    for (const Json& z : state["zaps"].items)
        zaps.push_back(z.text);
    return zaps;
}

} // namespace gui_scenario
