// The real program playing against the receiver simulator under X (video to
// "ximagesink" on the test's X server, audio to "fakesink"), one scenario per process:
//   play       start-up plays the current service (screenshot), zaps by double click
//              with and without TV control, previous/next with wrap and marker skip,
//              rezap, "serviceplayable" False with the question and in expert mode
//   recording  a recording plays, its position advances, a seek on the gauge jumps,
//              its end stops playback and brings the video back to the main window
//   slow       the receiver answers zap, now/next and getcurrent after 4 s: the GUI
//              thread's heartbeat never lags, two quick zaps end on the second service
//   bench-zap  first picture and PLAYING after a zap, medians per kind of service (SD and
//              HD, with and without teletext), and memory after 50, 100 and 300 zaps
//              (prints one line)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gst/gst.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

#include "core/settings.h"
#include "e2sim_fixture.h"
#include "e2sim_services.h"
#include "gui_scenario.h"
#include "mini_json.h"
#include "stream/player.h"
#include "ui/main_frame.h"
#include "ui/main_stream_view.h"
#include "ui/video_frame.h"
#include "x11_capture.h"

namespace {

using namespace gui_scenario;

std::string g_scenario;
E2SimProcess* g_sim = nullptr;
std::vector<Step> g_steps;

Json SimState() {
    return Json::Parse(g_sim->SimGet("/sim/state"));
}

std::vector<std::string> Zaps() {
    return gui_scenario::Zaps(*g_sim);
}

Player& ThePlayer() {
    return *wxGetApp().player;
}

GstState PipelineState() {
    return ThePlayer().State();
}

// What the position text shows; unknown (-1) while the length is unknown.
std::int64_t Position() {
    std::int64_t position = -1, duration = 0;
    return ThePlayer().QueryPosition(position, duration) ? position : -1;
}

// The entries of the first TV bouquet, in tree order.
std::vector<wxTreeItemId> FirstBouquet(MyMainFrame& frame) {
    MyTreeCtrl& tree = *frame.Tree();
    wxTreeItemIdValue cookie;
    const wxTreeItemId bouquet = tree.GetFirstChild(tree.FolderItem(MyTreeCtrl::kTvBouquets), cookie);
    std::vector<wxTreeItemId> items;
    wxTreeItemIdValue inner;
    for (wxTreeItemId c = tree.GetFirstChild(bouquet, inner); c.IsOk(); c = tree.GetNextChild(bouquet, inner))
        items.push_back(c);
    return items;
}

bool IsMarker(MyMainFrame& frame, const wxTreeItemId& item) {
    return MyTreeCtrl::DataOf(*frame.Tree(), item) == nullptr;
}

wxString RefOf(MyMainFrame& frame, const wxTreeItemId& item) {
    const MyChannelItemData* data = MyTreeCtrl::DataOf(*frame.Tree(), item);
    return data ? data->sRef : wxString();
}

// A double click on a tree item reaches the window as an activation.
void Activate(MyMainFrame& frame, const wxTreeItemId& item) {
    wxTreeEvent event(wxEVT_TREE_ITEM_ACTIVATED, frame.Tree(), item);
    frame.Tree()->GetEventHandler()->ProcessEvent(event);
}

void Press(MyMainFrame& frame, const char* button) {
    wxCommandEvent event(wxEVT_BUTTON, XRCID(button));
    event.SetEventObject(&frame);
    frame.GetEventHandler()->ProcessEvent(event);
}

// --- play scenario ---------------------------------------------------------------

int g_playStartsBefore = 0;
size_t g_zapsBefore = 0;
size_t g_messagesBefore = 0;
wxString g_refBefore;
std::vector<wxTreeItemId> g_bouquet;
int g_firstService = -1, g_lastService = -1, g_beforeMarker = -1, g_afterMarker = -1;

// Waits for the sinks of a new stream to report playing.
constexpr const char* kTechnikScrambled = "1:0:19:7006:3EF:1:C00000:0:0:0:";
constexpr const char* kTechnikEac3 = "1:0:19:7001:3EF:1:C00000:0:0:0:";

void PlayRef(MyMainFrame& f, const char* ref) {
    ChannelItemData data;
    data.kind = 1;
    data.sRef = ref;
    Check(f.PlayService(data), std::string("play ") + ref);
}

Step WaitPlaying(const std::string& what) {
    return {what + " plays",
            [](MyMainFrame& f) { return f.streamPlaying && f.playStarts > g_playStartsBefore; }, 40};
}

Step Do(const std::string& what, std::function<void(MyMainFrame&)> fn) {
    return {what, [fn](MyMainFrame& f) {
                g_playStartsBefore = f.playStarts;
                g_zapsBefore = Zaps().size();
                g_messagesBefore = g_messages.size();
                g_refBefore = f.currentServiceRef;
                fn(f);
                return true;
            }};
}

Step Expect(const std::string& what, std::function<void(MyMainFrame&)> fn) {
    return {what, [fn](MyMainFrame& f) {
                fn(f);
                return true;
            }};
}

// Read from the X server itself: the sink draws with its own connection, and the
// toolkit's screen copy does not see later frames.
wxImage PanelPicture(MyMainFrame& frame) {
    wxWindow* panel = frame.FindWindow(XRCID("ID_VIDEOWINDOW"));
    const wxPoint at = panel->GetScreenPosition();
    const wxSize size = panel->GetSize();
    std::vector<unsigned char> rgb;
    if (!CaptureScreenRect(at.x, at.y, size.x, size.y, rgb))
        return {};
    wxImage image(size);
    std::copy(rgb.begin(), rgb.end(), image.GetData());
    return image;
}

// Counts pixels that differ between two pictures of the same size.
int Differences(const wxImage& a, const wxImage& b) {
    if (!a.IsOk() || !b.IsOk() || a.GetSize() != b.GetSize())
        return -1;
    int n = 0;
    const unsigned char* p = a.GetData();
    const unsigned char* q = b.GetData();
    for (int i = 0; i < a.GetWidth() * a.GetHeight() * 3; ++i)
        n += std::abs(p[i] - q[i]) > 16;
    return n;
}

// Distinct colours in the picture (a black or blank panel has one or two).
int Colours(const wxImage& image) {
    std::vector<unsigned> seen;
    const unsigned char* p = image.GetData();
    for (int i = 0; i < image.GetWidth() * image.GetHeight() && seen.size() < 64; i += 97) {
        const unsigned c = (p[3 * i] >> 4) << 8 | (p[3 * i + 1] >> 4) << 4 | (p[3 * i + 2] >> 4);
        if (std::find(seen.begin(), seen.end(), c) == seen.end())
            seen.push_back(c);
    }
    return static_cast<int>(seen.size());
}

wxImage g_firstPicture;
Clock::time_point g_waitFrom;

Step Pause(double seconds) {
    return {"pause", [seconds](MyMainFrame&) {
                static Clock::time_point until{};
                if (until == Clock::time_point{})
                    until = Clock::now() + std::chrono::milliseconds(int(seconds * 1000));
                if (Clock::now() < until)
                    return false;
                until = {};
                return true;
            }};
}

void FindBouquetLayout(MyMainFrame& frame) {
    g_bouquet = FirstBouquet(frame);
    const int n = static_cast<int>(g_bouquet.size());
    for (int i = 0; i < n; ++i) {
        if (IsMarker(frame, g_bouquet[i]))
            continue;
        if (g_firstService < 0)
            g_firstService = i;
        g_lastService = i;
        if (g_beforeMarker < 0 && i + 2 < n && IsMarker(frame, g_bouquet[i + 1]) &&
            !IsMarker(frame, g_bouquet[i + 2])) {
            g_beforeMarker = i;
            g_afterMarker = i + 2;
        }
    }
    Check(IsMarker(frame, g_bouquet[0]), "the first bouquet begins with a marker");
    Check(g_beforeMarker > 0, "the first bouquet has a marker between services");
}

void AddPlaySteps() {
    g_steps.push_back(WaitPlaying("start-up service"));
    g_steps.push_back(Expect("start-up plays the receiver's service", [](MyMainFrame& f) {
        Check(f.currentServiceRef.utf8_string() == SimState()["current"].text,
              "current service is the receiver's");
        Check(PipelineState() == GST_STATE_PLAYING, "pipeline playing");
        FindBouquetLayout(f);
    }));
    g_steps.push_back(Pause(2.0));
    g_steps.push_back(Expect("picture", [](MyMainFrame& f) {
        f.Raise();
        g_firstPicture = PanelPicture(f);
        SaveFrameShot(f, "play_main_window.png");
    }));
    g_steps.push_back(Pause(1.0));
    g_steps.push_back(Expect("picture moves", [](MyMainFrame& f) {
        const wxImage later = PanelPicture(f);
        Check(Colours(later) > 8, "the video panel shows a picture");
        const int changed = Differences(g_firstPicture, later);
        Check(changed > 0, "the picture moves (" + std::to_string(changed) + " pixels changed)");
    }));

    // Double click with TV control: the receiver zaps along.
    g_steps.push_back(Do("activate with TV control", [](MyMainFrame& f) {
        wxGetApp().settings.general.TVControl = 1;
        Activate(f, g_bouquet[g_firstService + 2]);
    }));
    g_steps.push_back(WaitPlaying("activated service"));
    g_steps.push_back(Expect("zap recorded", [](MyMainFrame& f) {
        const auto zaps = Zaps();
        const wxString ref = RefOf(f, g_bouquet[g_firstService + 2]);
        Check(zaps.size() == g_zapsBefore + 1 && zaps.back() == ref.utf8_string(),
              "the receiver was zapped to " + ref.utf8_string() + " (zaps " + std::to_string(g_zapsBefore) +
                  " -> " + std::to_string(zaps.size()) + ", last " + (zaps.empty() ? "" : zaps.back()) + ")");
        Check(f.currentServiceRef == ref, "current service follows the double click");
    }));
    g_steps.push_back(Do("activate without TV control", [](MyMainFrame& f) {
        wxGetApp().settings.general.TVControl = 0;
        Activate(f, g_bouquet[g_firstService + 3]);
    }));
    g_steps.push_back(WaitPlaying("service without TV control"));
    g_steps.push_back(Expect("no zap", [](MyMainFrame& f) {
        Check(Zaps().size() == g_zapsBefore, "no zap without TV control");
        Check(f.currentServiceRef == RefOf(f, g_bouquet[g_firstService + 3]), "plays without TV control");
    }));
    g_steps.push_back(Do("same service again", [](MyMainFrame& f) {
        Activate(f, g_bouquet[g_firstService + 3]);
        Check(f.playStarts == g_playStartsBefore && PipelineState() == GST_STATE_PLAYING,
              "activating the playing service changes nothing");
    }));

    // Previous from the first service wraps to the last, skipping the leading marker.
    g_steps.push_back(Do("first service", [](MyMainFrame& f) { Activate(f, g_bouquet[g_firstService]); }));
    g_steps.push_back(WaitPlaying("first service"));
    g_steps.push_back(Do("previous", [](MyMainFrame& f) { Press(f, "ID_BUTTON_PREV_SERVICE"); }));
    g_steps.push_back(WaitPlaying("previous"));
    g_steps.push_back(Expect("previous wrapped", [](MyMainFrame& f) {
        Check(f.currentServiceRef == RefOf(f, g_bouquet[g_lastService]),
              "previous on the first wraps to the last");
    }));
    g_steps.push_back(Do("next", [](MyMainFrame& f) { Press(f, "ID_BUTTON_NEXT_SERVICE"); }));
    g_steps.push_back(WaitPlaying("next"));
    g_steps.push_back(Expect("next wrapped", [](MyMainFrame& f) {
        Check(f.currentServiceRef == RefOf(f, g_bouquet[g_firstService]),
              "next on the last wraps to the first, skipping the marker");
    }));
    g_steps.push_back(Do("rezap", [](MyMainFrame& f) { Press(f, "ID_BUTTON_REZAP"); }));
    g_steps.push_back(WaitPlaying("rezap"));
    g_steps.push_back(Expect("rezap returned", [](MyMainFrame& f) {
        Check(f.currentServiceRef == RefOf(f, g_bouquet[g_lastService]),
              "rezap returns to the previous service");
        Check(f.Tree()->GetSelection() == g_bouquet[g_lastService], "rezap selects the previous item");
    }));
    g_steps.push_back(
        Do("service before a marker", [](MyMainFrame& f) { Activate(f, g_bouquet[g_beforeMarker]); }));
    g_steps.push_back(WaitPlaying("service before a marker"));
    g_steps.push_back(Do("next over the marker", [](MyMainFrame& f) { Press(f, "ID_BUTTON_NEXT_SERVICE"); }));
    g_steps.push_back(WaitPlaying("next over the marker"));
    g_steps.push_back(Expect("marker skipped", [](MyMainFrame& f) {
        Check(f.currentServiceRef == RefOf(f, g_bouquet[g_afterMarker]), "next skips a marker");
    }));
    g_steps.push_back(Expect("marker buttons", [](MyMainFrame& f) {
        Press(f, "ID_BUTTON_PREV_MARKER");
        Check(f.Tree()->GetSelection() == g_bouquet[g_beforeMarker + 1],
              "previous marker selects the marker");
        Check(f.currentServiceRef == RefOf(f, g_bouquet[g_afterMarker]), "marker buttons play nothing");
    }));

    // A scrambled service says so instead of retrying; a broadcast codec plays.
    g_steps.push_back(Do("scrambled service", [](MyMainFrame& f) { PlayRef(f, kTechnikScrambled); }));
    g_steps.push_back({"scrambled message", [](MyMainFrame& f) {
                           return f.GetStatusBar()->GetStatusText(0) ==
                                  wxString::FromUTF8("Der Sender ist verschlüsselt.");
                       }});
    g_steps.push_back(Do("E-AC-3 service", [](MyMainFrame& f) { PlayRef(f, kTechnikEac3); }));
    g_steps.push_back(WaitPlaying("E-AC-3 service"));

    // No free tuner: the question, No restarts the previous stream.
    g_steps.push_back(Do("unplayable, answered No", [](MyMainFrame& f) {
        wxGetApp().settings.general.TVControl = 0;
        wxGetApp().settings.general.ExpertMode = 0;
        g_sim->SetFault("serviceplayable=False");
        g_answer = wxNO;
        Activate(f, g_bouquet[g_firstService + 1]);
    }));
    // The question follows the receiver's answer.
    g_steps.push_back({"the tuner question is asked", [](MyMainFrame& f) {
                           if (g_messages.size() == g_messagesBefore)
                               return false;
                           Check(g_messages.size() == g_messagesBefore + 1 &&
                                     g_messages.back().StartsWith(L"Es ist momentan kein freier Tuner"),
                                 "the tuner question is asked");
                           Check(f.currentServiceRef == g_refBefore, "No keeps the previous service");
                           return true;
                       }});
    g_steps.push_back(WaitPlaying("previous stream after No"));
    g_steps.push_back(Expect("no zap after No",
                             [](MyMainFrame&) { Check(Zaps().size() == g_zapsBefore, "No zaps nothing"); }));
    g_steps.push_back(Do("unplayable, expert mode", [](MyMainFrame& f) {
        wxGetApp().settings.general.ExpertMode = 1;
        Activate(f, g_bouquet[g_firstService + 1]);
    }));
    g_steps.push_back({"expert mode zaps the TV", [](MyMainFrame& f) {
                           const auto zaps = Zaps();
                           if (zaps.size() == g_zapsBefore)
                               return false;
                           Check(g_messages.size() == g_messagesBefore, "expert mode asks nothing");
                           Check(wxGetApp().settings.general.TVControl == 0, "TV control stays off");
                           Check(zaps.size() == g_zapsBefore + 1 &&
                                     zaps.back() == RefOf(f, g_bouquet[g_firstService + 1]).utf8_string(),
                                 "expert mode zaps the TV");
                           return true;
                       }});
    g_steps.push_back(WaitPlaying("unplayable service in expert mode"));
    g_steps.push_back(Expect("reset", [](MyMainFrame&) { g_sim->Reset(); }));
}

// --- recording scenario ------------------------------------------------------------

std::string g_recordingRef;
wxString g_firstPosition;
std::int64_t g_beforeSeek = 0;
std::int64_t g_afterSeek = 0;

double Seconds(const wxString& clock) {
    unsigned h = 0, m = 0, s = 0;
    return std::sscanf(clock.utf8_str(), "%uh:%um:%us", &h, &m, &s) == 3 ? h * 3600 + m * 60 + s : -1;
}

wxString PositionLabel(MyMainFrame& f) {
    return XRCCTRL(f, "ID_STATICTEXT5", wxStaticText)->GetLabel();
}

void AddRecordingSteps() {
    g_steps.push_back(WaitPlaying("recording"));
    g_steps.push_back(Expect("recording facts", [](MyMainFrame& f) {
        Check(f.currentItemType == 3, "item type recording");
        Check(XRCCTRL(f, "ID_BOXSIZER1", wxStaticBox)->GetLabel() == " Wiedergabemodus [ HD ] ",
              "play mode HD");
    }));
    g_steps.push_back(Pause(1.5));
    g_steps.push_back(Expect("first position", [](MyMainFrame& f) {
        g_firstPosition = PositionLabel(f);
        Check(g_firstPosition.Contains(" / "), "position text shown: " + g_firstPosition.utf8_string());
    }));
    g_steps.push_back(Pause(2.0));
    g_steps.push_back(Expect("position advances", [](MyMainFrame& f) {
        const wxString later = PositionLabel(f);
        Check(Seconds(later.BeforeFirst('/').Trim()) > Seconds(g_firstPosition.BeforeFirst('/').Trim()),
              "position advances: " + g_firstPosition.utf8_string() + " -> " + later.utf8_string());
        // As if the video were in the standalone window: its end must bring it back.
        f.player.AttachVideoWindow(1);
        if (wxGetApp().videoFrame)
            wxGetApp().videoFrame->Show();
        f.Hide();
    }));
    g_steps.push_back({"end of the recording",
                       [](MyMainFrame& f) { return !f.streamPlaying && PipelineState() == GST_STATE_NULL; },
                       40});
    g_steps.push_back(Expect("video back in the main window", [](MyMainFrame& f) {
        Check(f.player.VideoMode() == 0, "video mode back to the main panel");
        Check(f.IsShown(), "main window shown again");
        Check(!wxGetApp().videoFrame || !wxGetApp().videoFrame->IsShown(), "standalone window hidden");
    }));
    // The ended recording can be played again, and the gauge seeks in it.
    g_steps.push_back(Do("play again", [](MyMainFrame& f) {
        MovieItemData item;
        item.kind = 3;
        item.sRef = wxString::FromUTF8(g_recordingRef);
        Check(f.PlayService(item), "an ended recording starts again");
    }));
    g_steps.push_back(WaitPlaying("recording again"));
    // Without a length the main window shows no position and refuses to seek.
    g_steps.push_back(
        {"length known again", [](MyMainFrame& f) { return PositionLabel(f).Contains(" / "); }, 10});
    g_steps.push_back(Do("seek on the gauge", [](MyMainFrame& f) {
        wxGauge* gauge = XRCCTRL(f, "ID_GAUGE_PROGRESS", wxGauge);
        wxMouseEvent press(wxEVT_LEFT_DOWN);
        press.m_x = gauge->GetSize().x * 3 / 4;
        press.m_y = 2;
        press.m_leftDown = true;
        press.SetEventObject(gauge);
        g_beforeSeek = Position();
        gauge->GetEventHandler()->ProcessEvent(press);
    }));
    // The demuxer's duration is an estimate early on, so only the jump is checked;
    // playing on could not cover five seconds in the time allowed.
    g_steps.push_back({"position jumped",
                       [](MyMainFrame&) {
                           g_afterSeek = Position();
                           return g_afterSeek >= g_beforeSeek + 5 * GST_SECOND;
                       },
                       3});
    // A picture that freezes after the seek holds the position still.
    g_steps.push_back({"playing on after the seek",
                       [](MyMainFrame&) { return Position() >= g_afterSeek + GST_SECOND; }, 10});
    g_steps.push_back(Expect("stop", [](MyMainFrame& f) { f.StopStreaming(); }));
}

// --- slow receiver scenario ---------------------------------------------------------

// A repeating timer on the GUI thread; its longest gap is how long the window froze.
class Heartbeat : public wxTimer {
public:
    void Notify() override {
        const auto now = Clock::now();
        if (last != Clock::time_point{})
            longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
    Clock::time_point last{};
    double longestMs = 0;
};
Heartbeat* g_heartbeat = nullptr;
Clock::time_point g_slowStart;

constexpr const char* kSlowFirst = "1:0:1:283C:3F2:85:C00000:0:0:0:";
constexpr const char* kSlowSecond = "1:0:1:2853:3F3:1:C00000:0:0:0:";

void ZapTo(MyMainFrame& frame, const char* ref) {
    ChannelItemData data;
    data.kind = kKindTV;
    data.sRef = ref;
    frame.PlayService(data);
}

void AddSlowSteps() {
    g_steps.push_back(WaitPlaying("start-up service"));
    g_steps.push_back(Do("two zaps 100 ms apart", [](MyMainFrame& f) {
        g_heartbeat = new Heartbeat;
        g_heartbeat->Start(20);
        ZapTo(f, kSlowFirst);
        g_slowStart = Clock::now();
    }));
    g_steps.push_back({"second zap", [](MyMainFrame& f) {
                           if (Clock::now() - g_slowStart < std::chrono::milliseconds(100))
                               return false;
                           ZapTo(f, kSlowSecond);
                           return true;
                       }});
    g_steps.push_back(WaitPlaying("second service"));
    g_steps.push_back(Expect("the zaps end on the second service", [](MyMainFrame& f) {
        Check(f.currentServiceRef == kSlowSecond, "the window plays the second service");
        const std::vector<std::string> zaps = Zaps();
        Check(!zaps.empty() && zaps.back() == kSlowSecond,
              "the receiver was zapped to the second service last");
    }));
    // Stop while a zap waits for the receiver: the zap's answer starts nothing.
    g_steps.push_back(Do("zap, then stop at once", [](MyMainFrame& f) {
        ZapTo(f, kSlowFirst);
        wxCommandEvent stop(wxEVT_TOOL, XRCID("ID_TOOL_STOP"));
        f.GetEventHandler()->ProcessEvent(stop);
        g_slowStart = Clock::now();
    }));
    g_steps.push_back(
        {"the zap's answer has come",
         [](MyMainFrame&) { return Clock::now() - g_slowStart > std::chrono::milliseconds(5000); }, 20});
    g_steps.push_back(Expect("nothing plays after the stop", [](MyMainFrame& f) {
        Check(!f.streamPlaying && !PipelineStarted(f.player), "the stop holds");
    }));
    g_steps.push_back(Do("programme information refresh", [](MyMainFrame& f) {
        f.RefreshNowNext();
        g_slowStart = Clock::now();
    }));
    g_steps.push_back(
        {"both answers arrive",
         [](MyMainFrame&) { return Clock::now() - g_slowStart > std::chrono::milliseconds(8500); }, 20});
    g_steps.push_back(Expect("the window never froze", [](MyMainFrame&) {
        std::printf("slow heartbeat_longest_gap_ms=%.0f\n", g_heartbeat->longestMs);
        Check(g_heartbeat->longestMs < 250, "heartbeat never lagged 250 ms or more");
        g_heartbeat->Stop();
    }));
}

// --- benchmark ----------------------------------------------------------------------

// One kind of service each: SD and HD, with and without teletext (the teletext queue
// is sparse, which the buffering must not mistake for a full buffer).
struct BenchKind {
    const char* name;
    SimService service;
    std::vector<double> firstMs, playingMs;
};
BenchKind g_kinds[] = {{"sd", kSdPlain, {}, {}},
                       {"sd_ttx", kSdTeletext, {}, {}},
                       {"hd", kHdPlain, {}, {}},
                       {"hd_ttx", kHdFull, {}, {}}};
constexpr int kKinds = 4;

// The resident size after these measured zaps, -1 when not reached. Zaps 100 and 300
// end on the same service (a multiple of the rotation apart), so their difference is
// what the zaps kept; zap 50 ends on another kind.
constexpr int kRssAt[] = {50, 100, 300};
double g_rss[] = {-1, -1, -1};

Clock::time_point g_zapStart;
int g_firstPicturesBefore = 0;
double g_firstMs = -1;

double RssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1048576.0);
}

// 300 measured zaps; TESSARO_BENCH_ZAPS asks for another number, and
// TESSARO_BENCH_TRACE prints each zap's times and the resident size after it.
int BenchZaps() {
    const char* env = std::getenv("TESSARO_BENCH_ZAPS");
    const int n = env ? std::atoi(env) : 300;
    return n >= kKinds ? n : kKinds;
}

// The first zaps between SD and HD raise the resident size by several MB that stay:
// the allocator's per-thread arenas keep what HD pictures needed. The warm-up takes
// that step before the first sample.
constexpr int kWarmUpZaps = 30;

// The kind after the start-up service in the rotation, so that no zap is to the
// service already playing (which starts nothing).
int FirstKind() {
    const std::string current = SimState()["current"].text;
    for (int k = 0; k < kKinds; ++k)
        if (current == g_kinds[k].service.ref)
            return (k + 1) % kKinds;
    return 0;
}

Step BenchZap(int kind) {
    return {"zap", [kind](MyMainFrame& f) {
                g_playStartsBefore = f.playStarts;
                g_firstPicturesBefore = f.firstPictures;
                g_firstMs = -1;
                g_zapStart = Clock::now();
                ZapTo(f, g_kinds[kind].service.ref);
                return true;
            }};
}

// Waits for the first picture and for PLAYING, whichever comes last; n counts the
// measured zaps from 1 (warm-up zaps are 0 or less).
Step BenchZapDone(int kind, int n, bool trace) {
    return {"zap plays",
            [kind, n, trace](MyMainFrame& f) {
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - g_zapStart).count();
                if (g_firstMs < 0 && f.firstPictures > g_firstPicturesBefore)
                    g_firstMs = ms;
                if (g_firstMs < 0 || !(f.streamPlaying && f.playStarts > g_playStartsBefore))
                    return false;
                if (n > 0) {
                    g_kinds[kind].firstMs.push_back(g_firstMs);
                    g_kinds[kind].playingMs.push_back(ms);
                }
                for (int i = 0; i < 3; ++i)
                    if (n == kRssAt[i])
                        g_rss[i] = RssMb();
                if (trace)
                    std::fprintf(stderr, "zap %d %s first_ms=%.0f playing_ms=%.0f rss_mb=%.1f\n", n,
                                 g_kinds[kind].name, g_firstMs, ms, RssMb());
                return true;
            },
            40};
}

// The services are zapped to in turn. The simulator keeps three services on air and
// takes off the least recently used idle one for a fourth, so in this order each zap
// finds its service off air and starts its broadcast; the program connects while the
// broadcast starts, as to a receiver that has just tuned. No zap joins a broadcast
// that has run for a while.
void AddBenchSteps() {
    g_steps.push_back(WaitPlaying("start-up service"));
    const int first = FirstKind();
    const int zaps = BenchZaps();
    const bool trace = std::getenv("TESSARO_BENCH_TRACE") != nullptr;
    for (int n = 1 - kWarmUpZaps; n <= zaps; ++n) {
        const int kind = (first + n + kWarmUpZaps - 1) % kKinds;
        g_steps.push_back(BenchZap(kind));
        g_steps.push_back(BenchZapDone(kind, n, trace));
    }
}

double Median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void PrintBenchLine() {
    std::printf("play");
    for (const BenchKind& kind : g_kinds)
        std::printf(" %s_first_ms=%.0f %s_playing_ms=%.0f", kind.name, Median(kind.firstMs), kind.name,
                    Median(kind.playingMs));
    for (int i = 0; i < 3; ++i)
        std::printf(" rss_%d_mb=%.1f", kRssAt[i], g_rss[i]);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    g_scenario = argc > 1 ? argv[1] : "play";
    PrivateHome home("play");
    E2SimProcess sim;
    if (!sim.Start()) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }
    g_sim = &sim;
    WriteConfig(home, {&sim}, "TVControl=1\n");

    std::vector<std::string> args = {"tessaro"};
    if (g_scenario == "play")
        AddPlaySteps();
    else if (g_scenario == "slow") {
        for (const char* command : {"zap", "epgservicenow", "epgservicenext", "getcurrent"})
            sim.SetFault(std::string("cmd=") + command + "&delay_ms=4000");
        AddSlowSteps();
    } else if (g_scenario == "recording") {
        const Json dataset = Json::Parse(sim.SimGet("/sim/dataset"));
        g_recordingRef = dataset["recordings"].items.at(0)["ref"].text;
        args = {"tessaro", "-o", g_recordingRef};
        AddRecordingSteps();
    } else
        AddBenchSteps();

    StepDriver driver;
    driver.steps = std::move(g_steps);
    // The play scenario goes on after a failed check: its later steps are independent.
    driver.stopAtFirstFailure = g_scenario != "play";
    RunProgram(home, args, new ScenarioApp(driver, g_scenario == "bench-zap" ? 5 : 50));

    if (g_scenario == "bench-zap")
        PrintBenchLine();
    sim.Stop();
    return Report(g_scenario);
}
