#include "app/splash_frame.h"

#include <algorithm>

#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "core/options.h"
#include "core/settings.h"
#include "ui/app_context.h"
#include "ui/main_frame.h"
#include "ui/startup_runner.h"
#include "ui/startup_sequence.h"

namespace {
constexpr int kTransparency = 224;
} // namespace

MySplashFrame::MySplashFrame(AppContext& context) : context(context) {
    wxXmlResource::Get()->LoadFrame(this, nullptr, "ID_SPLASHFRAME");
    auto* bitmap = XRCCTRL(*this, "ID_STATICBITMAP_SPLASHBITMAP", wxStaticBitmap);
    bitmap->SetBitmap(wxXmlResource::Get()->LoadBitmap("BMP_SPLASH"));
    gauge = XRCCTRL(*this, "ID_GAUGE_SPLASHGAUGE", wxGauge);
    statusText = XRCCTRL(*this, "ID_STATICTEXT_SPLASHTEXT", wxStaticText);
    MakeDraggable();

    gauge->SetRange(SplashGaugeRange(gauge->GetRange(), context.options.skipReceiverState,
                                     context.settings.general.TVProviders != 0,
                                     context.settings.general.RAProviders != 0));

    Bind(wxEVT_TIMER, &MySplashFrame::OnStartupTimer, this, kStartupTimerId);
    SetTransparent(kTransparency);
    GetSizer()->Fit(this);
    CentreOnScreen();
    Show();
    Update();
}

MySplashFrame::~MySplashFrame() = default;

void MySplashFrame::MakeDraggable() {
    for (const char* name :
         {"ID_STATICBITMAP_SPLASHBITMAP", "ID_GAUGE_SPLASHGAUGE", "ID_STATICTEXT_SPLASHTEXT"}) {
        wxWindow* child = FindWindow(XRCID(name));
        child->Bind(wxEVT_LEFT_DOWN, &MySplashFrame::OnMouseDown, this);
        child->Bind(wxEVT_MOTION, &MySplashFrame::OnMouseMove, this);
        child->Bind(wxEVT_LEFT_UP, &MySplashFrame::OnMouseUp, this);
    }
}

void MySplashFrame::Step(const wxString& text) {
    gauge->SetValue(std::min(gauge->GetValue() + 1, gauge->GetRange()));
    statusText->SetLabel(wxGetTranslation(text));
    Layout();
    Update();
}

void MySplashFrame::OnStartupTimer(wxTimerEvent&) {
    // The sequence ends by destroying this window (or by ending the program).
    runner = std::make_unique<StartupRunner>(*this, *wxGetApp().mainFrame, context);
    runner->Start();
}

void MySplashFrame::OnMouseDown(wxMouseEvent& event) {
    auto* child = static_cast<wxWindow*>(event.GetEventObject());
    child->CaptureMouse();
    dragOffset = child->ClientToScreen(event.GetPosition()) - GetPosition();
}

void MySplashFrame::OnMouseMove(wxMouseEvent& event) {
    auto* child = static_cast<wxWindow*>(event.GetEventObject());
    if (event.Dragging() && event.LeftIsDown() && child->HasCapture())
        Move(child->ClientToScreen(event.GetPosition()) - dragOffset);
}

void MySplashFrame::OnMouseUp(wxMouseEvent& event) {
    auto* child = static_cast<wxWindow*>(event.GetEventObject());
    if (child->HasCapture())
        child->ReleaseMouse();
}
