// What the GUI scenario programs share: each runs the real program against the
// receiver simulator under the test's X server, drives it from a timer through a
// list of steps once the start-up sequence has ended, records every message box
// (answering from `g_answer`) and collects failures instead of stopping at the first.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <wx/string.h>
#include <wx/timer.h>

#include "app/app.h"

class E2SimProcess;
class MyMainFrame;

namespace gui_scenario {

using Clock = std::chrono::steady_clock;

extern std::vector<std::string> g_failures;
extern std::vector<wxString> g_messages;
extern int g_answer; // how message boxes are answered

void Check(bool ok, const std::string& what);

struct Step {
    std::string name;
    std::function<bool(MyMainFrame&)> run; // true: done
    double timeoutS = 30;
};

// Runs the steps once the main window is shown and the start-up has ended; a step
// that times out ends the run. Ends by closing the main window in expert mode, so
// that no closing question waits for an answer.
class StepDriver {
public:
    std::vector<Step> steps;
    bool stopAtFirstFailure = true;
    double startupTimeoutS = 90;
    // Filled on the way: whether the splash window was up at the first tick, and
    // when the main window was ready (zero: never).
    bool sawSplash = false;
    Clock::time_point created = Clock::now();
    Clock::time_point mainWindowReady{};

    // Called by the app's timer; true once the run has ended.
    bool Poll();

private:
    void Tick();
    void Finish(MyMainFrame* frame);
    bool busy = false;
    bool finished = false;
    bool ticked = false;
    std::size_t index = 0;
    Clock::time_point stepStart{};
};

// The program with its message boxes recorded and the driver polled from a timer
// (timers exist only once the toolkit is up, so the app owns it).
class ScenarioApp : public MyApp {
public:
    explicit ScenarioApp(StepDriver& driver, int pollMs = 50) : driver(driver), pollMs(pollMs) {}
    bool OnInit() override;
    int OnExit() override;

protected:
    void InstallMessageOutput() override;

private:
    class PollTimer : public wxTimer {
    public:
        explicit PollTimer(StepDriver& driver) : driver(driver) {}
        void Notify() override {
            if (driver.Poll())
                Stop();
        }
        StepDriver& driver;
    };
    StepDriver& driver;
    int pollMs;
    PollTimer timer{driver};
};

// A temporary $HOME with its ".tessaro" folder, removed again at the end.
struct PrivateHome {
    explicit PrivateHome(const char* tag);
    ~PrivateHome();
    std::string path;
};

// A configuration for the simulators given (one profile each, "Sim1", "Sim2", ...):
// German, no online update, no expert mode, video to "ximagesink" (the test's X
// server has no video overlay) and sound to "fakesink"; `general` adds lines to
// [GENERAL]. The host is "localhost": a first profile on 127.0.0.1 counts as the
// unconfigured default and would open the settings dialog.
void WriteConfig(const PrivateHome& home, const std::vector<const E2SimProcess*>& sims,
                 const std::string& general = {});

// Runs the program (args with its name first) with the private home; the simulators
// keep their own media cache, so only the program sees the new $HOME.
void RunProgram(const PrivateHome& home, const std::vector<std::string>& args, ScenarioApp* app);

// Prints "<scenario>: N failure(s)" and gives the exit code.
int Report(const std::string& scenario);

// A picture of the frame as the X server shows it, saved into the build tree for a
// person to look at.
void SaveFrameShot(wxWindow& frame, const char* fileName);

// The zaps the simulator has seen, oldest first.
std::vector<std::string> Zaps(const E2SimProcess& sim);

} // namespace gui_scenario
