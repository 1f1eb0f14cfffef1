// Starting and stopping streams many times in a row, stopped at every stage
// from connecting to playing: no crash, no deadlock, no leftover or unfreed elements.
#include <cstdlib>

#include "chain_element_watch.h"
#include "sim_playback_fixture.h"

using StartStopStressTest = SimPlaybackTest;

TEST_F(StartStopStressTest, RepeatedStartStopLeavesTheFixedPipeline) {
    const char* env = std::getenv("TESSARO_STRESS_CYCLES");
    const int cycles = env ? std::atoi(env) : 200;
    const SimService services[] = {kSdPlain, kHdFull, kRadio, kSdTeletext};
    for (int i = 0; i < cycles; ++i) {
        EngineHarness h(player());
        const SimService& s = services[i % 4];
        ASSERT_TRUE(h.Play(sim_->streamPort(), s.ref, s.programme)) << "cycle " << i;
        const int waitMs = (i * 37) % 500; // stops during connect, pads, buffering and playing
        h.Pump([] { return false; }, waitMs);
        const ChainElementWatch chains(player());
        player().Stop();
        h.Pump([] { return false; }, 5);
        ASSERT_TRUE(h.Pump([&] { return chains.Alive().empty(); }, 5000))
            << "cycle " << i << ", still alive: " << chains.Alive();
        ASSERT_EQ(player().ElementCount(), 10) << "cycle " << i;
        ASSERT_EQ(player().Elements().multiQueue, nullptr) << "cycle " << i;
    }
    EngineHarness h(player());
    EXPECT_TRUE(PlayUntilPlaying(h, kSdPlain));
}
