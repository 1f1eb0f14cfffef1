// The start-up sequence run from the splash window's one-shot timer: receiver check,
// standby round trip, service lists, streaming preparation and the start mode. The
// order and the rules live here; the windows supply the actions through StartupHost.
#pragma once

#include <string>

#include <wx/string.h>

#include "webif/state_view.h"

struct WebIfVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;
    long Code() const { return (long(major) << 16) | (long(minor) << 8) | long(patch); }
};

// "major.minor.patch": each part is the value of its leading decimal digits; a missing
// or digit-less part is 0 ("2" -> 2.0.0, "1.6.1-rc" -> 1.6.1).
WebIfVersion ParseWebIfVersion(const wxString& text);
// Versions up to 1.6.1 lack commands the program uses.
bool WebIfTooOld(const WebIfVersion& version);

// What a "deviceinfo" answer tells the start-up: the log line and, for an old web
// interface, the warning. `recognised` is false for another root (no version check).
struct DeviceInfoCheck {
    bool recognised = false;
    wxString logLine;
    wxString warning;
};
DeviceInfoCheck CheckDeviceInfo(const wxString& answer);

// The splash gauge's range: one more than the resource range, two fewer without the
// receiver-state steps, one more per provider list.
int SplashGaugeRange(int resourceRange, bool skipReceiverState, bool tvProviders, bool raProviders);

// Item type from a reference's beginning: "1:0:0" recording (3), "1:0:1" TV (1),
// "1:0:2" radio (2); any other reference keeps `unchanged`.
int ItemTypeOfReference(const wxString& ref, int unchanged);

struct StartupConfig {
    bool skipReceiverState = false;
    wxString startServiceRef;
    bool tvProviders = false;
    bool raProviders = false;
    int startMode = 0;
};

// The windows' side of the sequence. Requests report success as bool; the start-up
// abort flag is set by the transport whenever a request fails during start-up.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    // Advance the gauge, show the (untranslated) step text, repaint, pause briefly.
    virtual void Step(const wxString& text) = 0;
    virtual bool Request(const std::string& command) = 0;
    virtual wxString Answer() const = 0;
    virtual bool AbortFlag() const = 0;
    virtual void InitFontCache() = 0;
    virtual bool QueryStandby() = 0;
    virtual bool QueryCurrentService() = 0;
    virtual void SetReceiverInStandby(bool standby) = 0;
    virtual ReceiverState& State() = 0;
    // List kinds: 0 TV providers, 1 TV bouquets, 2 radio providers, 3 radio bouquets.
    virtual void LoadServiceList(int kind, bool resetCurrentMatch) = 0;
    // Prepares the streaming engine; false ends the start-up.
    virtual bool InitStreaming() = 0;
    virtual void ShowStartMode(int startMode) = 0;
    // Selects the current service's tree item and plays the current service.
    virtual void SelectAndPlayCurrent() = 0;
};

// Runs the whole sequence. False when a step failed and the program has to end
// (the failure was already shown by the transport).
bool RunStartupSequence(StartupHost& host, const StartupConfig& config);
