// Runs the start-up sequence with the real windows: the splash window shows the
// steps, the main window receives the receiver state and the lists. Owned by the
// splash window, so that replies arriving after it is gone are dropped.
#pragma once

#include <memory>

class MySplashFrame;
class MyMainFrame;
class StartupSequence;
struct AppContext;

class StartupRunner {
public:
    StartupRunner(MySplashFrame& splash, MyMainFrame& frame, AppContext& context);
    ~StartupRunner();
    StartupRunner(const StartupRunner&) = delete;
    StartupRunner& operator=(const StartupRunner&) = delete;

    // Begins the sequence. On success the window of the start mode is shown and the
    // splash window destroyed; on failure the program ends through the main window's
    // close request.
    void Start();

private:
    class Host;
    std::unique_ptr<Host> host_;
    std::unique_ptr<StartupSequence> sequence_;
};
