// Zap latency on loopback, from the play command to "all sinks playing"
// (the Playing event), for SD and HD services with the default buffer
// settings, and the CPU share of one SD stream playing. Starts e2sim itself
// and plays headless.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <wx/init.h>
#include <wx/log.h>

#include "test_settings.h"
#include "core/options.h"
#include "core/settings.h"
#include "e2sim_fixture.h"
#include "e2sim_services.h"
#include "engine_harness.h"
#include "stream/stream_settings.h"

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

// Milliseconds from the play command to the Playing event; -1 on failure.
long ZapOnce(Player& player, const E2SimProcess& sim, const SimService& service) {
    EngineHarness h(player);
    const auto start = Clock::now();
    if (!h.Play(sim.streamPort(), service.ref, service.programme) ||
        !h.Pump([&] { return h.CountPlaying(true) > 0; }, 20000))
        return -1;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (std::getenv("TESSARO_BENCH_TRACE")) // the event timeline, to see where a zap spends its time
        for (const auto& e : h.events) {
            const auto* line = e.event.As<stream_event::LogLine>();
            std::fprintf(stderr, "%5ld ms  event %zu  %s\n",
                         static_cast<long>(
                             std::chrono::duration_cast<std::chrono::milliseconds>(e.time - start).count()),
                         e.event.data.index(), line ? line->text.c_str() : "");
        }
    player.Stop();
    h.Pump([] { return false; }, 200); // let the simulator close its side
    return static_cast<long>(ms);
}

long MedianZap(Player& player, const E2SimProcess& sim, const SimService& service) {
    const int zaps = Zaps();
    std::vector<long> samples;
    for (int i = 0; i < zaps; ++i) {
        const long ms = ZapOnce(player, sim, service);
        if (ms < 0)
            return -1;
        samples.push_back(ms);
    }
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
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
    const long sd = MedianZap(player, sim, kSdPlain);
    const long hd = MedianZap(player, sim, kHdFull);
    const double cpu = SdCpuCores(player, sim);
    std::printf("zap sd_median_ms=%ld hd_median_ms=%ld sd_cpu_cores=%.2f\n", sd, hd, cpu);
    player.Shutdown();
    return (sd < 0 || hd < 0 || cpu < 0) ? 1 : 0;
}
