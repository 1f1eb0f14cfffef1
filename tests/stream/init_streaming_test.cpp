// GStreamer set-up: the missing-plug-in report and the fixed pipeline.
#include <gtest/gtest.h>
#include <wx/utils.h>

#include "test_settings.h"
#include "core/message.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/player.h"
#include "stream/stream_settings.h"

TEST(InitStreaming, MissingConfiguredSinkIsReportedFirstAndNothingIsBuilt) {
    StreamSettings settings = StreamSettingsOf(TestSettings(), TestOptions());
    settings.videoSink = "nosuchvideosink";
    Player player;
    wxString shown;
    MessageIcon icon = MessageIcon::Information;
    const auto previous = SetMessageHandler([&](const wxString& text, MessageIcon i, wxWindow*) {
        shown = text;
        icon = i;
        return wxOK;
    });
    EXPECT_FALSE(player.Init(settings));
    SetMessageHandler(previous);
    EXPECT_FALSE(player.Initialised());
    EXPECT_EQ(icon, MessageIcon::Error);
    EXPECT_EQ(shown, wxString::FromUTF8("Folgende Elemente konnten nicht geladen werden:\n\n"
                                        "     - nosuchvideosink\n\n"
                                        "Bitte die GStreamer-Installation überprüfen..."));
    wxString value;
    EXPECT_TRUE(wxGetEnv("GST_DEBUG_NO_COLOR", &value));
    EXPECT_EQ(value, "1");
    EXPECT_TRUE(wxGetEnv("GST_PLUGIN_PATH", &value));
    EXPECT_EQ(value, Paths().programDir + "plugins");
}

TEST(InitStreaming, BuildsTenNamedElementsOnceAndCanBeFreed) {
    Player player;
    const StreamSettings settings = StreamSettingsOf(TestSettings(), TestOptions());
    ASSERT_TRUE(player.Init(settings));
    GstElement* first = player.Elements().pipeline;
    EXPECT_TRUE(player.Init(settings)); // a second call keeps the pipeline
    EXPECT_EQ(player.Elements().pipeline, first);
    EXPECT_EQ(player.ElementCount(), 10);
    EXPECT_STREQ(GST_OBJECT_NAME(player.Elements().pipeline), "Tessaro");
    EXPECT_STREQ(GST_OBJECT_NAME(player.Elements().demuxer), "Demuxer");
    gboolean drop = FALSE;
    g_object_get(player.Elements().valve, "drop", &drop, nullptr);
    EXPECT_TRUE(drop);
    // Without a source the stop is harmless and changes nothing.
    player.Stop();
    EXPECT_EQ(player.ElementCount(), 10);
    player.Shutdown();
    EXPECT_FALSE(player.Initialised());
    EXPECT_EQ(player.ElementCount(), 0);
}
