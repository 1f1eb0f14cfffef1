// Runs the whole program (MyApp with its real OnInit and OnRun) in a child process
// under the X server of the test (Xvfb), driven by a script instead of a person:
//
//   AppScript script;
//   script.Then(WaitForSetupDialog())
//         .Then([](AppDriver& d) { d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR")->SetValue("x"); return true;
//         }) .Then(ClickButton(...)) ...;
//   script.answers = {wxYES};
//   AppRun run = RunApp(home, {"-c"}, script);
//   EXPECT_EQ(run.messages[0].text, "...");
//
// Each step is polled (every few milliseconds, from a timer that also runs inside
// modal loops) until it returns true; then the next one starts. Every ShowMessage is
// recorded and questions are answered from `answers` (wxNO when they run out); text
// prompts are answered from `textAnswers` (cancel when they run out). A step that
// finds something wrong calls Fail(); the run then ends at once and RunApp reports it.
// Every child gets its own process, so each run starts from a fresh toolkit.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "core/message.h"

class wxDialog;
class wxTextCtrl;
class wxWindow;
class MyApp;

struct RecordedMessage {
    wxString text;
    MessageIcon icon;
};

class AppDriver {
public:
    MyApp& App() const;
    // The modal "Konfiguration" dialog once it is shown, else nullptr.
    wxDialog* SetupDialog() const;
    // A control by resource name; fails the run when it does not exist.
    wxWindow* Control(wxWindow* parent, const char* name);
    wxTextCtrl* Text(wxWindow* parent, const char* name);
    // Queues a click on a button (the handler runs after the step returns).
    void Click(wxWindow* parent, const char* name);
    // Saves a picture of the whole screen into the screenshot directory, if the
    // ImageMagick "import" tool exists (for a person to look at; never checked).
    void Screenshot(const char* fileName);
    void Fail(const std::string& why);
    const std::vector<RecordedMessage>& Messages() const;
};

using AppStep = std::function<bool(AppDriver&)>;

struct AppScript {
    std::vector<AppStep> steps;
    std::deque<int> answers;
    std::deque<wxString> textAnswers;
    // false: the start-up sequence (receiver checks, lists, streaming) never starts;
    // for scripts that end the program themselves after the configuration.
    bool startupSequence = true;

    AppScript& Then(AppStep step) {
        steps.push_back(std::move(step));
        return *this;
    }
};

struct AppRun {
    bool exited = false; // false: the child crashed or was killed
    int exitCode = -1;   // 0 after the main loop, 255 after an early end of OnInit
    std::vector<RecordedMessage> messages;
    std::string failure;       // what a step reported through Fail()
    std::size_t stepsDone = 0; // how many steps completed
};

// args without the program name; home becomes $HOME of the child.
AppRun RunApp(const wxString& home, const std::vector<std::string>& args, const AppScript& script);

// Runs fn in a child process (for checks that need wx without a running app) and
// returns its exit status, or -1 when it did not exit normally.
int RunInChild(const std::function<int()>& fn);

// Common steps.
AppStep WaitForSetupDialog();
AppStep WaitForSplash();     // created (after the configuration dialog applied)
AppStep WaitForMainWindow(); // shown, and the splash window gone
AppStep CloseMainWindow();
AppStep WaitPolls(int polls); // lets the toolkit paint before a screenshot
