// MyApp: the application object and composition root. OnInit chooses the language,
// loads the settings, checks for a running copy, evaluates the command line and
// creates the long-lived windows; OnRun opens the settings dialog first in
// configuration mode and starts the start-up sequence.
#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/string.h>

#include "core/options.h"
#include "core/settings.h"
#include "ui/app_context.h"

class wxLocale;
class wxSingleInstanceChecker;
class MyLogFrame;
class MySplashFrame;
class MyMainFrame;
class MyVideoFrame;
class MyFullscreenFrame;
class MyTaskBarIcon;
class ReceiverClient;
class Player;

class MyApp : public wxApp, public LongLivedWindows, public ReceiverSession {
public:
    MyApp();
    ~MyApp() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;
    int FilterEvent(wxEvent& event) override;

    // LongLivedWindows
    MyVideoFrame* VideoFrame() override { return videoFrame; }
    MyFullscreenFrame* FullscreenFrame() override { return fullscreenFrame; }
    MyTaskBarIcon* TaskBarIcon() override { return taskBarIcon; }
    MyLogFrame* LogFrame() override { return logFrame; }
    // The main window's close sequence calls it before destroying itself.
    void DestroyLongLivedWindows() override;
    void ForgetSplash() override { splashFrame = nullptr; }

    // ReceiverSession
    ReceiverClient& Client() override;
    void Reconnect() override;

    // What the windows are handed; valid from OnInit on.
    std::unique_ptr<AppContext> context;

    // The one record of the configuration and the parsed command line; windows get them
    // through the context.
    AppSettings settings;
    StartOptions options;
    std::unique_ptr<wxLocale> locale;
    wxString language;
    wxString translatorCredit;
    std::unique_ptr<wxSingleInstanceChecker> instanceChecker;
    // The streaming engine of the main window; outlives every window.
    std::unique_ptr<Player> player;

    MyLogFrame* logFrame = nullptr;
    MySplashFrame* splashFrame = nullptr; // absent in configuration mode until applied
    MyMainFrame* mainFrame = nullptr;
    MyVideoFrame* videoFrame = nullptr;
    MyFullscreenFrame* fullscreenFrame = nullptr;
    MyTaskBarIcon* taskBarIcon = nullptr;
    std::unique_ptr<ReceiverClient> receiverClient;

protected:
    // Where ShowMessage goes: real message boxes. Tests override it to record.
    virtual void InstallMessageOutput();
    // Starts the one-shot timer of the start-up sequence. Tests of the configuration
    // alone override it, so that no receiver is contacted.
    virtual void StartStartupTimer();

private:
    void ChooseLanguageAndCatalog();
    bool ContinueDespiteRunningCopy();
    bool EvaluateArguments(int profileCount);
    void RegisterResources();
    void RemoveStaleUpdate();
    void CreateLongLivedWindows();
    void ApplyTooltipSetting();
    void LogStartNotes();
    void EndEarly();
};

wxDECLARE_APP(MyApp);
