// MySplashFrame: the small always-on-top window that shows the start-up sequence's
// progress (bitmap, gauge, status text). It owns the start-up timer's events.
#pragma once

#include <memory>

#include <wx/frame.h>
#include <wx/gdicmn.h>

#include "ui/startup_runner.h"

class wxGauge;
class wxStaticText;
class wxTimerEvent;
class wxMouseEvent;
struct AppContext;

class MySplashFrame : public wxFrame {
public:
    static constexpr int kStartupTimerId = 1;

    explicit MySplashFrame(AppContext& context);
    ~MySplashFrame() override;

    // One visible step of the start-up sequence: advance the gauge, show the text.
    void Step(const wxString& text);

private:
    void MakeDraggable();
    void OnStartupTimer(wxTimerEvent& event);
    void OnMouseDown(wxMouseEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnMouseUp(wxMouseEvent& event);

    wxGauge* gauge = nullptr;
    wxStaticText* statusText = nullptr;
    wxPoint dragOffset;
    AppContext& context;
    std::unique_ptr<StartupRunner> runner;
};
