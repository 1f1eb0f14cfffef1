// GStreamer set-up: the missing-plug-in report and the fixed pipeline.
#include <gtest/gtest.h>
#include <wx/utils.h>

#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/pipeline.h"

TEST(InitStreaming, MissingConfiguredSinkIsReportedFirstAndNothingIsBuilt) {
    Settings().general.VideoSink = "nosuchvideosink";
    wxString shown;
    MessageIcon icon = MessageIcon::Information;
    const auto previous = SetMessageHandler([&](const wxString& text, MessageIcon i, wxWindow*) {
        shown = text;
        icon = i;
        return wxOK;
    });
    EXPECT_FALSE(InitStreaming());
    SetMessageHandler(previous);
    Settings().general.VideoSink = "fakesink";
    EXPECT_EQ(Pipeline().pipeline, nullptr);
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
    ASSERT_TRUE(InitStreaming());
    GstElement* first = Pipeline().pipeline;
    EXPECT_TRUE(InitStreaming()); // a second call keeps the pipeline
    EXPECT_EQ(Pipeline().pipeline, first);
    EXPECT_EQ(PipelineElementCount(), 10);
    EXPECT_STREQ(GST_OBJECT_NAME(Pipeline().pipeline), "Tessaro");
    EXPECT_STREQ(GST_OBJECT_NAME(Pipeline().demuxer), "Demuxer");
    gboolean drop = FALSE;
    g_object_get(Pipeline().valve, "drop", &drop, nullptr);
    EXPECT_TRUE(drop);
    // Without a source the stop is harmless and changes nothing.
    StopPipeline();
    EXPECT_EQ(PipelineElementCount(), 10);
    ShutdownStreaming();
    EXPECT_EQ(Pipeline().pipeline, nullptr);
    EXPECT_EQ(PipelineElementCount(), 0);
}
