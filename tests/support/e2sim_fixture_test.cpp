#include <gtest/gtest.h>

#include "e2sim_fixture.h"

// The fixture must hand out a live simulator and leave nothing running.
TEST(E2SimFixture, StartsAnswersAndStops)
{
    E2SimProcess sim;
    ASSERT_TRUE(sim.Start());
    EXPECT_GT(sim.webPort(), 0);
    EXPECT_GT(sim.streamPort(), 0);
    EXPECT_GT(sim.ftpPort(), 0);
    long status = 0;
    std::string body = sim.SimGet("/sim/state", &status);
    EXPECT_EQ(status, 200);
    EXPECT_NE(body.find("\"standby\""), std::string::npos);
    EXPECT_TRUE(sim.SetFault("cmd=deviceinfo&status=500"));
    EXPECT_TRUE(sim.Reset(true));
    sim.Stop();
    EXPECT_EQ(sim.webPort(), 0);
    EXPECT_EQ(sim.SimGet("/sim/state", &status), "");
    EXPECT_EQ(status, 0);
    // A stopped fixture can start again (tests reuse one object).
    ASSERT_TRUE(sim.Start());
    sim.SimGet("/sim/state", &status);
    EXPECT_EQ(status, 200);
}
