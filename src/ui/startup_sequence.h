// The start-up sequence run from the splash window's one-shot timer: receiver check,
// standby round trip, service lists, streaming preparation and the start mode. The
// order and the rules live here; the windows supply the actions through StartupHost.
// Nothing in it waits: each request continues the sequence from its reply.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

#include "webif/receiver_client.h"
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

// The windows' side of the sequence. Every action that takes time reports back
// through its continuation, on the GUI thread.
class StartupHost {
public:
    using Continue = std::function<void()>;
    using ReplyDone = std::function<void(const WebReply&)>;
    // A list loaded: `failure` is null on success, else the failed reply.
    using ListDone = std::function<void(const WebReply* failure)>;

    virtual ~StartupHost() = default;
    // Advances the gauge and shows the (untranslated) step text; `next` is the step's
    // work. Each text stays up for a short pause, however quick the work is.
    virtual void Step(const wxString& text, Continue next) = 0;
    virtual void Request(const std::string& command, ReplyDone done) = 0;
    // Shows why a request failed (a message box over the splash window).
    virtual void ReportFailure(const WebReply& reply) = 0;
    virtual void InitFontCache() = 0;
    virtual void SetReceiverInStandby(bool standby) = 0;
    virtual ReceiverState& State() = 0;
    // List kinds: 0 TV providers, 1 TV bouquets, 2 radio providers, 3 radio bouquets.
    virtual void LoadServiceList(int kind, bool resetCurrentMatch, ListDone done) = 0;
    // Prepares the streaming engine; false ends the start-up (the host reported why).
    virtual bool InitStreaming() = 0;
    virtual void ShowStartMode(int startMode) = 0;
    // Selects the current service's tree item and plays the current service.
    virtual void SelectAndPlayCurrent() = 0;
    // The end: true when the program runs, false when it has to end.
    virtual void Finished(bool completed) = 0;
};

// Runs the whole sequence; its end is reported through StartupHost::Finished. The
// object must outlive the sequence (the host's lifetime drops replies that come later).
class StartupSequence {
public:
    StartupSequence(StartupHost& host, StartupConfig config) : host_(host), config_(std::move(config)) {}
    void Start();

private:
    using Continue = StartupHost::Continue;

    void OnDeviceInfo(const WebReply& reply);
    void QueryReceiverState();
    void OnStandby(const WebReply& reply);
    void QueryCurrent();
    void OnCurrent(const WebReply& reply);
    // Puts a woken receiver back into standby, then goes on with `next`.
    void ToggleStandbyThen(Continue next);
    void LoadLists();
    void LoadList(std::size_t index);
    void Launch();
    // Reports the failed reply and ends the start-up.
    void Fail(const WebReply& reply);

    StartupHost& host_;
    StartupConfig config_;
    bool standby_ = false;
    std::vector<std::pair<int, wxString>> lists_; // kind and step text, in loading order
};
