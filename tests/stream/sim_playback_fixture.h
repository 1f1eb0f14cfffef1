// One simulator and one player for a whole test suite; each test plays
// through its own EngineHarness.
#pragma once

#include <gtest/gtest.h>

#include "test_settings.h"
#include "core/options.h"
#include "core/settings.h"
#include "e2sim_fixture.h"
#include "e2sim_services.h"
#include "engine_harness.h"
#include "stream/stream_settings.h"

class SimPlaybackTest : public testing::Test {
protected:
    static constexpr int kPlayWaitMs = 20000;

    static void SetUpTestSuite() {
        sim_ = new E2SimProcess;
        simOk_ = sim_->Start();
        player_ = new Player;
        streamingOk_ = player_->Init(StreamSettingsOf(TestSettings(), TestOptions()));
    }
    static void TearDownTestSuite() {
        delete player_;
        player_ = nullptr;
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(simOk_);
        ASSERT_TRUE(streamingOk_);
        TestSettings().general.AudioLanguage = "DE";
    }
    void TearDown() override {
        if (sim_)
            sim_->Reset();
    }

    static Player& player() { return *player_; }

    static bool PlayUntilPlaying(EngineHarness& h, const SimService& s, int times = 1) {
        return h.Play(sim_->streamPort(), s.ref, s.programme) &&
               h.Pump([&] { return h.CountPlaying(true) >= times; }, kPlayWaitMs);
    }

    static inline E2SimProcess* sim_ = nullptr;
    static inline Player* player_ = nullptr;
    static inline bool simOk_ = false;
    static inline bool streamingOk_ = false;
};
