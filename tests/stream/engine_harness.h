// Drives the real engine headless: receives StreamEvents as the main window
// would, runs posted commands and fake timers from a polling loop.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/event.h>

#include "fake_stream_view.h"
#include "stream/pipeline.h"
#include "stream/stream_event.h"
#include "stream/stream_info.h"
#include "stream/stream_supervisor.h"

class EngineHarness : public wxEvtHandler {
public:
    struct Seen {
        int id;
        int value;
        wxString text;
        FakeStreamView::Clock::time_point time;
    };

    explicit EngineHarness(SupervisorIntervals intervals = {}) : supervisor(view, intervals) {
        Bind(EVT_STREAM, &EngineHarness::OnStreamEvent, this);
        SetStreamEventTarget(this);
    }
    ~EngineHarness() override {
        StopPipeline();
        SetStreamEventTarget(nullptr);
        DeletePendingEvents();
    }

    FakeStreamView view;
    StreamSupervisor supervisor;
    std::vector<Seen> events;
    std::vector<StreamInfo> infoWhenPlaying; // snapshots taken at id 6 (1)
    int resyncTicks = 0;
    int timeoutTicks = 0;

    bool Play(int streamPort, const std::string& ref, int programme) {
        const wxString url = wxString::Format("http://127.0.0.1:%d/%s", streamPort, ref);
        return PlayUrl(url, programme);
    }
    bool PlayUrl(const wxString& url, int programme) {
        return SetStreamSource(url, programme) && supervisor.StartStreaming();
    }

    // Processes events, commands and timers until done() or the time is up.
    bool Pump(const std::function<bool()>& done, int timeoutMs) {
        const auto end = FakeStreamView::Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (FakeStreamView::Clock::now() < end) {
            Drain();
            RunCommands();
            FireTimers();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Drain();
        return done();
    }

    int Count(int id, int value = -1) const {
        int n = 0;
        for (const auto& e : events)
            n += e.id == id && (value < 0 || e.value == value);
        return n;
    }
    bool Logged(const wxString& text) const { return LogIndex(text) >= 0; }
    int LogIndex(const wxString& text) const {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].id == kStreamLog && events[i].text == text)
                return static_cast<int>(i);
        return -1;
    }
    int LogIndexStartingWith(const wxString& prefix) const {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].id == kStreamLog && events[i].text.StartsWith(prefix))
                return static_cast<int>(i);
        return -1;
    }
    int LogCountStartingWith(const wxString& prefix) const {
        int n = 0;
        for (const auto& e : events)
            n += e.id == kStreamLog && e.text.StartsWith(prefix);
        return n;
    }

private:
    void Drain() {
        // The application object keeps the list of handlers with queued events.
        if (wxTheApp)
            wxTheApp->ProcessPendingEvents();
    }

    void OnStreamEvent(StreamEvent& event) {
        events.push_back({event.GetId(), event.GetInt(), event.GetString(), FakeStreamView::Clock::now()});
        if (event.GetId() == kStreamPlaying && event.GetInt() == 1)
            infoWhenPlaying.push_back(SnapshotStreamInfo());
        supervisor.OnStreamEvent(event);
    }

    void RunCommands() {
        while (!view.commands.empty()) {
            const std::string command = view.commands.front();
            view.commands.pop_front();
            if (command == "stop")
                StopPipeline();
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
