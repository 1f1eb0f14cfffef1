// MyApp: the application object and composition root. OnInit chooses the language,
// loads the settings, checks for a running copy, evaluates the command line and
// creates the long-lived windows; OnRun opens the settings dialog first in
// configuration mode and starts the start-up sequence.
#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/string.h>

class wxLocale;
class wxSingleInstanceChecker;
class MyLogFrame;
class MySplashFrame;
class MyMainFrame;
class MyVideoFrame;
class MyFullscreenFrame;
class MyTaskBarIcon;
class Player;

class MyApp : public wxApp {
public:
    MyApp();
    ~MyApp() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;
    int FilterEvent(wxEvent& event) override;

    // Destroys the long-lived windows other than the main window and the tray icon;
    // the main window's close sequence calls it before destroying itself.
    void DestroyLongLivedWindows();
    // The splash window is destroyed when the start-up sequence ends.
    void ForgetSplash() { splashFrame = nullptr; }

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
