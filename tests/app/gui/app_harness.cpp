#include "app_harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "extras/setup_dialog.h"
#include "extras/text_prompt.h"
#include "ui/main_frame.h"

namespace {
constexpr int kPollMs = 20;
// A step that never completes ends the run instead of hanging the test (about a
// minute of polls); CTest's time-out is the last resort.
constexpr int kMaxPollsPerStep = 3000;
constexpr unsigned kChildAlarmSeconds = 180;

struct ChildState {
    AppScript script;
    std::vector<RecordedMessage> messages;
    std::string failure;
    std::size_t stepIndex = 0;
    int polls = 0;
    bool polling = false;
    std::string resultsPath;
};
ChildState* child = nullptr;

void WriteBlock(std::ostream& out, char tag, const std::string& extra, const std::string& bytes) {
    out << tag << ' ' << extra << ' ' << bytes.size() << '\n' << bytes << '\n';
}

[[noreturn]] void FinishChild(int code) {
    std::ofstream out(child->resultsPath, std::ios::binary | std::ios::trunc);
    out << "E " << code << '\n' << "S " << child->stepIndex << '\n';
    if (!child->failure.empty())
        WriteBlock(out, 'F', "0", child->failure);
    for (const RecordedMessage& m : child->messages)
        WriteBlock(out, 'M', std::to_string(static_cast<int>(m.icon)), m.text.utf8_string());
    out.close();
    _exit(code & 0xff);
}

void PollSteps() {
    if (child->polling)
        return; // a step that runs a nested event loop must not be re-entered
    child->polling = true;
    AppDriver driver;
    std::vector<AppStep>& steps = child->script.steps;
    if (child->stepIndex < steps.size()) {
        if (steps[child->stepIndex](driver)) {
            ++child->stepIndex;
            child->polls = 0;
        } else if (++child->polls > kMaxPollsPerStep) {
            driver.Fail("step " + std::to_string(child->stepIndex + 1) + " never completed");
        }
    }
    child->polling = false;
}

class StepTimer : public wxTimer {
public:
    void Notify() override { PollSteps(); }
};

class TestApp : public MyApp {
protected:
    void InstallMessageOutput() override {
        SetMessageHandler([](const wxString& text, MessageIcon icon, wxWindow*) {
            child->messages.push_back({text, icon});
            if (icon != MessageIcon::Question)
                return static_cast<int>(wxOK);
            std::deque<int>& answers = child->script.answers;
            if (answers.empty())
                return static_cast<int>(wxNO);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        SetTextPrompt([](const wxString&, wxString& value, wxWindow*) {
            std::deque<wxString>& answers = child->script.textAnswers;
            if (answers.empty())
                return false;
            value = answers.front();
            answers.pop_front();
            return true;
        });
    }

    int OnRun() override {
        stepTimer = std::make_unique<StepTimer>();
        stepTimer->Start(kPollMs);
        return MyApp::OnRun();
    }

    void StartStartupTimer() override {
        if (child->script.startupSequence)
            MyApp::StartStartupTimer();
    }

    int OnExit() override {
        stepTimer.reset();
        return MyApp::OnExit();
    }

private:
    std::unique_ptr<StepTimer> stepTimer;
};

[[noreturn]] void RunChild(const wxString& home, const std::vector<std::string>& args) {
    alarm(kChildAlarmSeconds);
    setenv("HOME", home.utf8_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    std::vector<std::string> storage{"tessaro"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());
    wxApp::SetInstance(new TestApp);
    const int code = wxEntry(argc, argv.data());
    FinishChild(code);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void ParseResults(const std::string& data, AppRun& run) {
    std::istringstream in(data);
    char tag = 0;
    while (in >> tag) {
        if (tag == 'E' || tag == 'S') {
            long value = 0;
            in >> value;
            if (tag == 'E')
                run.exitCode = static_cast<int>(value);
            else
                run.stepsDone = static_cast<std::size_t>(value);
            continue;
        }
        int extra = 0;
        std::size_t size = 0;
        in >> extra >> size;
        in.get(); // the line break after the size
        std::string bytes(size, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(size));
        if (tag == 'F')
            run.failure = bytes;
        else
            run.messages.push_back({wxString::FromUTF8(bytes), static_cast<MessageIcon>(extra)});
    }
}
} // namespace

MyApp& AppDriver::App() const {
    return wxGetApp();
}

wxDialog* AppDriver::SetupDialog() const {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<MySetupDialog*>(window);
        if (dialog != nullptr && dialog->IsModal() && !window->IsBeingDeleted())
            return dialog;
    }
    return nullptr;
}

wxWindow* AppDriver::Control(wxWindow* parent, const char* name) {
    wxWindow* control = parent == nullptr ? nullptr : wxWindow::FindWindowById(XRCID(name), parent);
    if (control == nullptr)
        Fail(std::string("no control ") + name);
    return control;
}

wxTextCtrl* AppDriver::Text(wxWindow* parent, const char* name) {
    auto* text = dynamic_cast<wxTextCtrl*>(Control(parent, name));
    if (text == nullptr)
        Fail(std::string(name) + " is no text field");
    return text;
}

void AppDriver::Click(wxWindow* parent, const char* name) {
    wxWindow* button = Control(parent, name);
    auto* event = new wxCommandEvent(wxEVT_BUTTON, button->GetId());
    event->SetEventObject(button);
    wxQueueEvent(button->GetEventHandler(), event);
}

void AppDriver::Screenshot(const char* fileName) {
    const std::string dir = TESSARO_GUI_SCREENSHOT_DIR;
    const std::string command = "command -v import >/dev/null 2>&1 && mkdir -p '" + dir +
                                "' && import -window root '" + dir + "/" + fileName + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "no screenshot %s (ImageMagick import missing?)\n", fileName);
}

void AppDriver::Fail(const std::string& why) {
    child->failure = why;
    FinishChild(3);
}

const std::vector<RecordedMessage>& AppDriver::Messages() const {
    return child->messages;
}

AppRun RunApp(const wxString& home, const std::vector<std::string>& args, const AppScript& script) {
    char pattern[] = "/tmp/tessaro-gui-results-XXXXXX";
    const int fd = mkstemp(pattern);
    AppRun run;
    if (fd < 0) {
        run.failure = "no results file";
        return run;
    }
    close(fd);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        child = new ChildState{script, {}, {}, 0, 0, false, pattern};
        RunChild(home, args);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.exited = WIFEXITED(status);
    ParseResults(ReadFile(pattern), run);
    if (!run.exited && run.failure.empty())
        run.failure = "the program did not exit (signal " + std::to_string(WTERMSIG(status)) + ")";
    std::remove(pattern);
    return run;
}

int RunInChild(const std::function<int()>& fn) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

AppStep WaitForSetupDialog() {
    return [](AppDriver& d) { return d.SetupDialog() != nullptr && d.SetupDialog()->IsShown(); };
}

AppStep WaitForSplash() {
    return [](AppDriver& d) { return d.App().splashFrame != nullptr; };
}

AppStep WaitForMainWindow() {
    return [](AppDriver& d) {
        MyApp& app = d.App();
        return app.mainFrame != nullptr && app.mainFrame->IsShown() && app.splashFrame == nullptr;
    };
}

AppStep CloseMainWindow() {
    return [](AppDriver& d) {
        d.App().mainFrame->Close(true);
        return true;
    };
}

AppStep WaitPolls(int polls) {
    auto count = std::make_shared<int>(0);
    return [count, polls](AppDriver&) { return ++*count >= polls; };
}
