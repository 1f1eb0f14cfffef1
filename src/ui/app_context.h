// What the windows get from the application object instead of reaching for it: the
// settings and options, the receiver connection of the active profile and the other
// long-lived windows. MyApp implements the interfaces and hands one AppContext to the
// windows it creates.
#pragma once

class MyFullscreenFrame;
class MyLogFrame;
class MyTaskBarIcon;
class MyVideoFrame;
class Player;
class ReceiverClient;
struct AppSettings;
struct StartOptions;

// The long-lived windows besides the main window; each may be absent.
class LongLivedWindows {
public:
    virtual ~LongLivedWindows() = default;
    virtual MyVideoFrame* VideoFrame() = 0;
    virtual MyFullscreenFrame* FullscreenFrame() = 0;
    virtual MyTaskBarIcon* TaskBarIcon() = 0;
    virtual MyLogFrame* LogFrame() = 0;
    // Destroys them all (the main window's close sequence, before it goes itself).
    virtual void DestroyLongLivedWindows() = 0;
    // The start-up sequence has ended and destroyed the splash window.
    virtual void ForgetSplash() = 0;
};

// The receiver of the active profile. A profile switch makes a new client, so
// windows ask for it each time instead of keeping a reference.
class ReceiverSession {
public:
    virtual ~ReceiverSession() = default;
    virtual ReceiverClient& Client() = 0;
    // A new client for the settings' active profile; replies of the old one are dropped.
    virtual void Reconnect() = 0;
};

struct AppContext {
    AppSettings& settings;
    const StartOptions& options;
    ReceiverSession& receiver;
    LongLivedWindows& windows;
    Player& player;
};
