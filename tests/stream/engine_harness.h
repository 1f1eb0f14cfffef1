// Drives a real player headless: receives its StreamEvents as the main window
// would, runs posted commands and fake timers from a polling loop that also
// iterates GLib's default main context (the bus watch, continued seeks).
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <glib.h>
#include <wx/app.h>
#include <wx/event.h>

#include "test_settings.h"
#include "fake_stream_view.h"
#include "stream/player.h"
#include "stream/stream_event.h"
#include "stream/stream_supervisor.h"

class EngineHarness : public wxEvtHandler {
public:
    struct Seen {
        StreamEvent event;
        FakeStreamView::Clock::time_point time;
    };

    explicit EngineHarness(Player& player, SupervisorIntervals intervals = {})
        : player(player), supervisor(player, view, TestSettings(), TestOptions(), intervals) {
        view.player = &player;
        Bind(EVT_STREAM, &EngineHarness::OnStreamEvent, this);
        player.SetEventTarget(this);
    }
    ~EngineHarness() override {
        player.Stop();
        player.SetEventTarget(nullptr);
        DeletePendingEvents();
    }

    Player& player;
    FakeStreamView view;
    StreamSupervisor supervisor;
    std::vector<Seen> events;
    std::vector<StreamInfo> infoWhenPlaying; // snapshots taken at Playing{true}
    int resyncTicks = 0;
    int timeoutTicks = 0;

    bool Play(int streamPort, const std::string& ref, int programme) {
        const wxString url = wxString::Format("http://127.0.0.1:%d/%s", streamPort, ref);
        return PlaySource({url, programme, "", ""});
    }
    bool PlaySource(const StreamSource& source) {
        return player.SetSource(source) && supervisor.StartStreaming();
    }

    // Processes events, commands and timers until done() or the time is up.
    bool Pump(const std::function<bool()>& done, int timeoutMs) {
        const auto end = FakeStreamView::Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (FakeStreamView::Clock::now() < end) {
            Step();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Drain();
        return done();
    }

    template <typename T> int Count() const {
        int n = 0;
        for (const auto& e : events)
            n += e.event.As<T>() != nullptr;
        return n;
    }
    int CountPlaying(bool playing) const {
        int n = 0;
        for (const auto& e : events)
            if (const auto* p = e.event.As<stream_event::Playing>())
                n += p->playing == playing;
        return n;
    }
    bool Logged(const std::string& text) const { return LogIndex(text) >= 0; }
    int LogIndex(const std::string& text) const {
        return FindLog([&](const std::string& line) { return line == text; });
    }
    int LogIndexStartingWith(const std::string& prefix) const {
        return FindLog([&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }
    int LogCountStartingWith(const std::string& prefix) const {
        int n = 0;
        for (const auto& e : events)
            if (const auto* line = e.event.As<stream_event::LogLine>())
                n += line->text.rfind(prefix, 0) == 0;
        return n;
    }
    // The first problem reported by the element (nullptr: none).
    const stream_event::Problem* ProblemFrom(const std::string& source) const {
        for (const auto& e : events)
            if (const auto* p = e.event.As<stream_event::Problem>(); p && p->source == source)
                return p;
        return nullptr;
    }
    int ProblemCount(int level) const {
        int n = 0;
        for (const auto& e : events)
            if (const auto* p = e.event.As<stream_event::Problem>())
                n += p->level == level;
        return n;
    }

    // One round: queued events, posted commands, due timers.
    void Step() {
        Drain();
        RunCommands();
        FireTimers();
    }

private:
    int FindLog(const std::function<bool(const std::string&)>& match) const {
        for (size_t i = 0; i < events.size(); ++i)
            if (const auto* line = events[i].event.As<stream_event::LogLine>(); line && match(line->text))
                return static_cast<int>(i);
        return -1;
    }

    void Drain() {
        // wxBase runs no GLib main loop: the bus watch and idle sources are dispatched here.
        for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i) {
        }
        // The application object keeps the list of handlers with queued events.
        if (wxTheApp)
            wxTheApp->ProcessPendingEvents();
    }

    void OnStreamEvent(wxThreadEvent& posted) {
        const StreamEvent event = StreamEventOf(posted);
        events.push_back({event, FakeStreamView::Clock::now()});
        if (const auto* p = event.As<stream_event::Playing>(); p && p->playing)
            infoWhenPlaying.push_back(player.SnapshotInfo());
        supervisor.OnStreamEvent(event);
    }

    void RunCommands() {
        while (!view.commands.empty()) {
            const std::string command = view.commands.front();
            view.commands.pop_front();
            if (command == "stop")
                view.StopCommand();
            else
                supervisor.StartStreaming();
        }
    }

    void FireTimers() {
        const auto now = FakeStreamView::Clock::now();
        for (auto it = view.timers.begin(); it != view.timers.end();) {
            if (it->second > now) {
                ++it;
                continue;
            }
            const StreamTimer timer = it->first;
            it = view.timers.erase(it);
            if (timer == StreamTimer::Timeout) {
                ++timeoutTicks;
                supervisor.OnTimeoutTimer();
            } else if (timer == StreamTimer::Resync) {
                ++resyncTicks;
                supervisor.OnResyncTimer();
            } else {
                supervisor.OnOverlayTimer();
            }
            return; // handlers may have changed the timer map
        }
    }
};
