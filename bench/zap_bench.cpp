// Zap latency of the streaming engine on loopback against the simulator, which
// behaves like a receiver: a service once on air keeps running, and a client joins it
// mid-GOP. Four kinds of service (SD/HD, with and without teletext); for each, the
// median time from the play command to the first decoded picture at the video sink
// and to PLAYING (all sinks playing, after the buffering rule). The floor is the same
// zap through a bare souphttpsrc ! tsdemux ! parser ! decoder ! fakesink pipeline:
// the time to its first decoded picture (the sink does not wait for the clock), median
// over the same services; the ratios are ours (median of the four kinds) over it. Prints
//   zap sd_first_ms=N sd_playing_ms=N sd_ttx_first_ms=N sd_ttx_playing_ms=N
//       hd_first_ms=N hd_playing_ms=N hd_ttx_first_ms=N hd_ttx_playing_ms=N
//       floor_playing_ms=N first_ratio=X playing_ratio=X sd_cpu_cores=X
// on one line. Headless; starts e2sim itself.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <gst/gst.h>
#include <wx/init.h>
#include <wx/log.h>

#include "core/options.h"
#include "core/settings.h"
#include "e2sim_fixture.h"
#include "e2sim_services.h"
#include "engine_harness.h"
#include "stream/stream_settings.h"
#include "test_settings.h"

namespace {

using Clock = std::chrono::steady_clock;
// 20 zaps per kind; TESSARO_BENCH_ZAPS overrides for quick looks.
int Zaps() {
    const char* env = std::getenv("TESSARO_BENCH_ZAPS");
    const int n = env ? std::atoi(env) : 20;
    return n > 0 ? n : 20;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct ZapTimes {
    long firstMs = -1;   // first decoded picture at the sink
    long playingMs = -1; // all sinks playing
};

long MsSince(Clock::time_point start, Clock::time_point end) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count());
}

ZapTimes ZapOnce(Player& player, const E2SimProcess& sim, const SimService& service) {
    EngineHarness h(player);
    ZapTimes times;
    const auto start = Clock::now();
    if (!h.Play(sim.streamPort(), service.ref, service.programme) ||
        !h.Pump([&] { return h.CountPlaying(true) > 0; }, 20000))
        return times;
    times.playingMs = MsSince(start, Clock::now());
    for (const auto& e : h.events)
        if (const auto* first = e.event.As<stream_event::FirstData>(); first && first->picture) {
            times.firstMs = MsSince(start, e.time);
            break;
        }
    player.Stop();
    h.Pump([] { return false; }, 200); // let the simulator close its side
    return times;
}

long Median(std::vector<long> samples) {
    if (samples.empty())
        return -1;
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

// The first zap of a kind puts its service on air (as the receiver's zap would) and
// is not counted; the others join the running broadcast.
ZapTimes MedianZap(Player& player, const E2SimProcess& sim, const SimService& service) {
    if (ZapOnce(player, sim, service).playingMs < 0)
        return {};
    std::vector<long> first, playing;
    for (int i = 0; i < Zaps(); ++i) {
        const ZapTimes t = ZapOnce(player, sim, service);
        if (t.playingMs < 0 || t.firstMs < 0)
            return {};
        first.push_back(t.firstMs);
        playing.push_back(t.playingMs);
    }
    return {Median(first), Median(playing)};
}

// The bare pipeline's time to its first decoded picture; -1 on failure.
long FloorZapOnce(const E2SimProcess& sim, const SimService& service, bool mpeg2) {
    const std::string chain = mpeg2 ? "mpegvideoparse ! avdec_mpeg2video" : "h264parse ! avdec_h264";
    const std::string text =
        "souphttpsrc is-live=true location=http://127.0.0.1:" + std::to_string(sim.streamPort()) + "/" +
        service.ref + " ! tsdemux name=d d. ! queue ! " + chain +
        " ! fakesink name=sink sync=false signal-handoffs=true";
    GstElement* pipeline = gst_parse_launch(text.c_str(), nullptr);
    if (!pipeline)
        return -1;
    std::atomic<bool> decoded{false};
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_signal_connect(sink, "handoff", G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer flag) {
                         static_cast<std::atomic<bool>*>(flag)->store(true);
                     }),
                     &decoded);
    const auto start = Clock::now();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    long ms = -1;
    while (MsSince(start, Clock::now()) < 20000) {
        if (decoded.load()) {
            ms = MsSince(start, Clock::now());
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return ms;
}

long FloorMedian(const E2SimProcess& sim) {
    const std::pair<SimService, bool> services[] = {
        {kSdPlain, true}, {kSdTeletext, true}, {kHdPlain, false}, {kHdFull, false}};
    std::vector<long> samples;
    for (const auto& [service, mpeg2] : services) {
        FloorZapOnce(sim, service, mpeg2); // on air
        for (int i = 0; i < Zaps(); ++i) {
            const long ms = FloorZapOnce(sim, service, mpeg2);
            if (ms < 0)
                return -1;
            samples.push_back(ms);
        }
    }
    return Median(samples);
}

double SdCpuCores(Player& player, const E2SimProcess& sim) {
    EngineHarness h(player);
    if (!h.Play(sim.streamPort(), kSdPlain.ref, kSdPlain.programme) ||
        !h.Pump([&] { return h.CountPlaying(true) > 0; }, 20000))
        return -1;
    h.Pump([] { return false; }, 1000); // past the start-up burst
    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    h.Pump([] { return false; }, 10000);
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double cores = (CpuSeconds() - cpu0) / wall;
    player.Stop();
    return cores;
}

} // namespace

int main() {
    wxInitializer wx;
    if (!wx.IsOk())
        return 1;
    wxLog::EnableLogging(false);
    TestSettings().general.VideoSink = "fakesink";
    TestSettings().general.AudioSink = "fakesink";
    E2SimProcess sim;
    Player player;
    if (!sim.Start() || !player.Init(StreamSettingsOf(TestSettings(), TestOptions()))) {
        std::fprintf(stderr, "e2sim or GStreamer set-up failed\n");
        return 1;
    }
    const ZapTimes sd = MedianZap(player, sim, kSdPlain);
    const ZapTimes sdTtx = MedianZap(player, sim, kSdTeletext);
    const ZapTimes hd = MedianZap(player, sim, kHdPlain);
    const ZapTimes hdTtx = MedianZap(player, sim, kHdFull);
    const double cpu = SdCpuCores(player, sim);
    const long floor = FloorMedian(sim);
    const long ourFirst = Median({sd.firstMs, sdTtx.firstMs, hd.firstMs, hdTtx.firstMs});
    const long ourPlaying = Median({sd.playingMs, sdTtx.playingMs, hd.playingMs, hdTtx.playingMs});
    std::printf("zap sd_first_ms=%ld sd_playing_ms=%ld sd_ttx_first_ms=%ld sd_ttx_playing_ms=%ld "
                "hd_first_ms=%ld hd_playing_ms=%ld hd_ttx_first_ms=%ld hd_ttx_playing_ms=%ld "
                "floor_playing_ms=%ld first_ratio=%.2f playing_ratio=%.2f sd_cpu_cores=%.2f\n",
                sd.firstMs, sd.playingMs, sdTtx.firstMs, sdTtx.playingMs, hd.firstMs, hd.playingMs,
                hdTtx.firstMs, hdTtx.playingMs, floor, floor > 0 ? double(ourFirst) / floor : 0.0,
                floor > 0 ? double(ourPlaying) / floor : 0.0, cpu);
    player.Shutdown();
    const bool failed =
        std::min({sd.playingMs, sdTtx.playingMs, hd.playingMs, hdTtx.playingMs}) < 0 || floor < 0 || cpu < 0;
    return failed ? 1 : 0;
}
