// End-to-end runs of the real program against the receiver simulator under X: one
// scenario per process (the toolkit's main loop runs once per process).
//   startup   splash, tree == simulator data set, current service selected, now/next,
//             screenshot, power commands, profile switch to a second simulator
//   auth401   a 401 at deviceinfo shows the access message and ends the program
//   standby   a receiver in standby is woken, asked and put back
//   wrongpass a wrong password after start-up fails silently but for the verbose line
//   hang      a receiver that accepts and never answers: the start-up ends with the
//             connection message once the stall limit passes
//   bench-default / bench-large   start-up time, peak memory, tree fill time
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <wx/log.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "core/settings.h"
#include "e2sim_fixture.h"
#include "gui_scenario.h"
#include "mini_json.h"
#include "ui/main_frame.h"

namespace {

using namespace gui_scenario;

std::string g_scenario;
E2SimProcess* g_sim = nullptr;
E2SimProcess* g_sim2 = nullptr;
double g_treeFillMs = 0;

std::string Utf8(const wxString& s) {
    return s.utf8_string();
}

wxString Quoted(const std::string& ref) {
    wxString s = wxString::FromUTF8(ref);
    s.Replace(" ", "%20");
    return s;
}

// Walks one "Eigene Listen" folder of the tree against the simulator's bouquets.
void CompareBouquets(MyTreeCtrl& tree, const wxTreeItemId& folder, const Json& bouquets, int kindDigit,
                     const std::string& where) {
    wxTreeItemIdValue cookie;
    wxTreeItemId item = tree.GetFirstChild(folder, cookie);
    int b = 0;
    for (const Json& bouquet : bouquets.items) {
        ++b;
        const std::string at = where + " bouquet " + std::to_string(b);
        if (!item.IsOk()) {
            Check(false, at + " missing");
            return;
        }
        Check(Utf8(tree.GetItemText(item)) == bouquet["name"].text, at + " label");
        const MyChannelItemData* data = MyTreeCtrl::DataOf(tree, item);
        Check(data && data->kind == 0 && data->sRef == Quoted(bouquet["ref"].text), at + " folder data");
        wxTreeItemIdValue inner;
        wxTreeItemId child = tree.GetFirstChild(item, inner);
        int s = 0;
        for (const Json& service : bouquet["services"].items) {
            ++s;
            const std::string cat = at + " entry " + std::to_string(s);
            if (!child.IsOk()) {
                Check(false, cat + " missing");
                break;
            }
            Check(Utf8(tree.GetItemText(child)) == service["name"].text, cat + " label");
            const MyChannelItemData* sd = MyTreeCtrl::DataOf(tree, child);
            if (service["marker"].boolean) {
                Check(sd == nullptr, cat + " marker without data");
            } else {
                Check(sd && Utf8(sd->sRef) == service["ref"].text, cat + " reference");
                Check(sd && sd->positionCode == wxString::Format("%d.1.%d.%d", kindDigit, b, s),
                      cat + " position code");
            }
            child = tree.GetNextChild(item, inner);
        }
        Check(!child.IsOk(), at + " has extra entries");
        item = tree.GetNextChild(folder, cookie);
    }
    Check(!item.IsOk(), where + " has extra bouquets");
}

void CompareTreeWithDataset(MyMainFrame& frame, const E2SimProcess& sim, const std::string& where) {
    const Json dataset = Json::Parse(sim.SimGet("/sim/dataset"));
    MyTreeCtrl& tree = *frame.Tree();
    CompareBouquets(tree, tree.FolderItem(MyTreeCtrl::kTvBouquets), dataset["tv_bouquets"], 1, where + " TV");
    CompareBouquets(tree, tree.FolderItem(MyTreeCtrl::kRaBouquets), dataset["radio_bouquets"], 2,
                    where + " RA");
}

std::vector<int> PowerStates(const E2SimProcess& sim) {
    std::vector<int> states;
    const Json state = Json::Parse(sim.SimGet("/sim/state"));
    for (const Json& v : state["powerstates"].items)
        if (v.number >= 0)
            states.push_back(int(v.number));
    return states;
}

// Whether any request began with `path`.
bool Requested(const E2SimProcess& sim, const std::string& path) {
    const Json state = Json::Parse(sim.SimGet("/sim/state"));
    for (const Json& r : state["requests"].items)
        if (r.text.rfind(path, 0) == 0)
            return true;
    return false;
}

void SaveScreenshot(wxFrame& frame) {
    frame.Raise();
    frame.Update();
    for (int i = 0; i < 10; ++i) {
        wxYield();
        wxMilliSleep(50);
    }
    SaveFrameShot(frame, "main_window.png");
}

bool NowNextShown(MyMainFrame& frame) {
    auto* title = XRCCTRL(frame, "ID_STATICTEXT2", wxStaticText);
    auto* next = XRCCTRL(frame, "ID_STATICTEXT5", wxStaticText);
    return title->GetLabel() != "Aktuelle Sendung" && !title->GetLabel().empty() &&
           next->GetLabel() != "Folgende Sendung" && !next->GetLabel().empty();
}

// Counts of the bouquet folders shown, against the data set's (read once: the large data
// set takes the simulator a while to write, and the step polls).
bool BouquetsShown(MyMainFrame& frame, const E2SimProcess& sim) {
    static const Json dataset = Json::Parse(sim.SimGet("/sim/dataset"));
    MyTreeCtrl& tree = *frame.Tree();
    return tree.GetChildrenCount(tree.FolderItem(MyTreeCtrl::kTvBouquets), false) ==
               dataset["tv_bouquets"].items.size() &&
           tree.GetChildrenCount(tree.FolderItem(MyTreeCtrl::kRaBouquets), false) ==
               dataset["radio_bouquets"].items.size();
}

void AddStartupSteps(std::vector<Step>& steps) {
    // The programme information arrives after the window shows: the window never waits for it.
    steps.push_back({"now/next arrive", NowNextShown, 15});
    steps.push_back(
        {"tree and selection", [](MyMainFrame& frame) {
             CompareTreeWithDataset(frame, *g_sim, "startup");
             const Json state = Json::Parse(g_sim->SimGet("/sim/state"));
             const MyChannelItemData* selected =
                 MyTreeCtrl::DataOf(*frame.Tree(), frame.Tree()->GetSelection());
             Check(selected && Utf8(selected->sRef) == state["current"].text, "current service selected");
             Check(frame.currentTreeItem == frame.Tree()->GetSelection(), "currentTreeItem is the selection");
             Check(!frame.nowEventText.empty(), "nowEventText filled");
             SaveScreenshot(frame);
             return true;
         }});
    // Power commands: questions answered through the message helper.
    steps.push_back({"power commands asked", [](MyMainFrame& frame) {
                         wxGetApp().settings.general.ExpertMode = 0;
                         const size_t asked = g_messages.size();
                         g_answer = wxNO;
                         Check(!frame.PowerCommand(1), "declined shutdown is not sent");
                         Check(g_messages.size() == asked + 1, "shutdown asks");
                         g_answer = wxYES;
                         Check(frame.PowerCommand(2), "confirmed reboot is sent");
                         return true;
                     }});
    steps.push_back({"reboot reaches the receiver",
                     [](MyMainFrame&) { return Requested(*g_sim, "/web/powerstate?newstate=2"); }, 10});
    steps.push_back({"power commands in expert mode", [](MyMainFrame& frame) {
                         Check(!Requested(*g_sim, "/web/powerstate?newstate=1"),
                               "declined shutdown sent nothing");
                         wxGetApp().settings.general.ExpertMode = 1;
                         const size_t before = g_messages.size();
                         for (int state : {3, 1, 0})
                             frame.PowerCommand(state);
                         Check(g_messages.size() == before, "expert mode and standby ask nothing");
                         return true;
                     }});
    steps.push_back({"expert power commands reach the receiver",
                     [](MyMainFrame&) {
                         return Requested(*g_sim, "/web/powerstate?newstate=3") &&
                                Requested(*g_sim, "/web/powerstate?newstate=1") &&
                                Requested(*g_sim, "/web/powerstate?newstate=0");
                     },
                     10});
    // Profile switch: the lists of the second receiver replace the first one's.
    steps.push_back({"switch to profile 2", [](MyMainFrame& frame) {
                         Check(frame.SwitchProfile(1), "switch to profile 2");
                         Check(wxGetApp().settings.activeProfile == 1, "profile 2 active");
                         Check(frame.GetMenuBar()->IsChecked(XRCID("ID_MENUITEM_BOX2")), "profile 2 checked");
                         return true;
                     }});
    steps.push_back(
        {"lists of profile 2", [](MyMainFrame& frame) { return BouquetsShown(frame, *g_sim2); }, 20});
    steps.push_back({"profile 2 in the tree", [](MyMainFrame& frame) {
                         CompareTreeWithDataset(frame, *g_sim2, "profile 2");
                         Check(!frame.GetMenuBar()->IsEnabled(XRCID("ID_MENUITEM_BOX3")),
                               "unused profile slot stays disabled");
                         return true;
                     }});
}

// Keeps every log line (and passes it on), so a scenario can look for verbose lines.
class RecordingLog : public wxLog {
protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override { lines.push_back(text); }

public:
    std::vector<wxString> lines;
};
RecordingLog* g_log = nullptr;

// After start-up the password of the receiver changes: requests fail with 401, which
// must not open any message box (those belong to the start-up only).
void AddWrongPasswordSteps(std::vector<Step>& steps) {
    static size_t messagesBefore = 0;
    steps.push_back({"ask with a wrong password", [](MyMainFrame& frame) {
                         g_log = new RecordingLog;
                         new wxLogChain(g_log);
                         wxGetApp().settings.ActiveProfile().Pass = "falsch";
                         wxGetApp().Reconnect();
                         messagesBefore = g_messages.size();
                         frame.RefreshNowNext();
                         return true;
                     }});
    steps.push_back({"verbose status line with HTTP 401",
                     [](MyMainFrame&) {
                         for (const wxString& line : g_log->lines)
                             if (line.Contains("Verbose: ") && line.Contains("HTTP 401"))
                                 return true;
                         return false;
                     },
                     10});
    steps.push_back({"no message box after start-up", [](MyMainFrame&) {
                         Check(g_messages.size() == messagesBefore, "no message box after start-up");
                         return true;
                     }});
}

// The steps of the scenario, run once the start-up has ended.
void AddScenarioSteps(std::vector<Step>& steps) {
    if (g_scenario == "startup")
        AddStartupSteps(steps);
    if (g_scenario == "wrongpass")
        AddWrongPasswordSteps(steps);
    if (g_scenario.rfind("bench", 0) == 0)
        steps.push_back({"tree fill", [](MyMainFrame& frame) {
                             frame.Tree()->ClearLists();
                             const auto t0 = Clock::now();
                             for (int kind : {1, 3, 0, 2})
                                 frame.Tree()->ShowServiceList(frame.ServiceLists(), kind, 0);
                             g_treeFillMs =
                                 std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                             return true;
                         }});
}

} // namespace

int main(int argc, char** argv) {
    g_scenario = argc > 1 ? argv[1] : "startup";
    PrivateHome home("gui");

    E2SimProcess sim;
    E2SimProcess sim2;
    E2SimProcess::Config config;
    config.large = g_scenario == "bench-large";
    if (!sim.Start(config)) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }
    g_sim = &sim;
    const bool twoProfiles = g_scenario == "startup";
    if (twoProfiles) {
        E2SimProcess::Config large;
        large.large = true;
        if (!sim2.Start(large))
            return 2;
        g_sim2 = &sim2;
    }
    // The benchmarks load the provider lists too, so that every service of the set is shown.
    const std::string providers = g_scenario.rfind("bench", 0) == 0 ? "1" : "0";
    std::vector<const E2SimProcess*> sims = {&sim};
    if (twoProfiles)
        sims.push_back(&sim2);
    WriteConfig(home, sims, "TVProviders=" + providers + "\nRAProviders=" + providers + "\n");
    if (g_scenario == "auth401")
        sim.SetFault("cmd=deviceinfo&status=401");
    if (g_scenario == "standby")
        sim.SimGet("/sim/set?standby=1");
    if (g_scenario == "hang")
        sim.SetFault("cmd=deviceinfo&hang=1");

    StepDriver driver;
    AddScenarioSteps(driver.steps);
    std::vector<std::string> args = {"tessaro"};
    if (g_scenario == "wrongpass")
        args.push_back("-v");
    // The benchmarks poll finely: the poll interval is part of the figure they print.
    const int pollMs = g_scenario.rfind("bench", 0) == 0 ? 10 : 100;
    RunProgram(home, args, new ScenarioApp(driver, pollMs));

    const bool mainWindowShown = driver.mainWindowReady != Clock::time_point{};
    const double startupMs =
        mainWindowShown
            ? std::chrono::duration<double, std::milli>(driver.mainWindowReady - driver.created).count()
            : 0;
    if (mainWindowShown)
        Check(driver.sawSplash, "splash shown first");
    if (g_scenario == "auth401") {
        bool shown = false;
        for (const wxString& m : g_messages)
            shown = shown || m.StartsWith("Der Zugriff auf das WebInterface wurde verweigert!");
        Check(shown, "access-denied message shown");
        Check(!mainWindowShown, "main window never shown");
        Check(!Requested(sim, "/web/getallservices"), "nothing requested after the failure");
    }
    if (g_scenario == "hang") {
        bool shown = false;
        for (const wxString& m : g_messages)
            shown = shown || m.StartsWith("Die Verbindung zu \"http://localhost:");
        Check(shown, "connection message shown");
        Check(!mainWindowShown, "main window never shown");
    }
    if (g_scenario == "standby") {
        Check(PowerStates(sim) == std::vector<int>({0, 0}), "woken and put back: powerstates 0, 0");
        Check(Json::Parse(sim.SimGet("/sim/state"))["standby"].boolean, "receiver back in standby");
    }
    if (g_scenario.rfind("bench", 0) == 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("startup_ms=%.0f tree_fill_ms=%.0f peak_mb=%.1f\n", startupMs, g_treeFillMs,
                    usage.ru_maxrss / 1024.0);
    }
    sim.Stop();
    if (twoProfiles)
        sim2.Stop();
    return Report(g_scenario);
}
