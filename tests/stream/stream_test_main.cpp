// Test entry: wxBase initialised, sinks that need neither display nor sound.
#include <cstdlib>

#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/log.h>

#include "test_settings.h"
#include "core/options.h"
#include "core/settings.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wxInitializer wx;
    if (!wx.IsOk())
        return 1;
    wxLog::SetLogLevel(wxLOG_Max);
    // Player::Init sets GST_DEBUG from the command-line option; keep a debug level given to the test.
    if (const char* level = std::getenv("GST_DEBUG"))
        TestOptions().gstDebugLevel = level;
    TestSettings().general.VideoSink = "fakesink";
    TestSettings().general.AudioSink = "fakesink";
    return RUN_ALL_TESTS();
}
