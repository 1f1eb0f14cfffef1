// Volume, mute, audio track and live picture/sound settings on a playing stream.
#include <gtest/gtest.h>

#include "core/message.h"
#include "element_properties.h"
#include "fake_av_host.h"
#include "sim_playback_fixture.h"
#include "test_settings.h"
#include "webif/plain_state_view.h"

namespace {

GstPad* ActivePad(const Player& player) {
    GstPad* pad = nullptr;
    g_object_get(player.Elements().audioInputSelector, "active-pad", &pad, nullptr);
    if (pad)
        gst_object_unref(pad); // identity only; the selector keeps its pad
    return pad;
}

class AvControlsTest : public SimPlaybackTest {
protected:
    void SetUp() override {
        SimPlaybackTest::SetUp();
        saved_ = TestSettings();
        player().SetMuted(false);
    }
    void TearDown() override {
        TestSettings() = saved_;
        player().SetMuted(false);
        player().SetClockVisible(false);
        SimPlaybackTest::TearDown();
    }
    FakeAvHost host;

private:
    AppSettings saved_;
};

} // namespace

TEST_F(AvControlsTest, VolumeAndMuteReachTheStream) {
    TestSettings().general.Volume = 30;
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    const PlaybackPipeline& p = player().Elements();
    EXPECT_NEAR(DoubleProperty(p.volume, "volume"), 0.3, 1e-6);

    AvControls c(player(), host);
    ASSERT_TRUE(c.OnVolumeGauge(72, true));
    EXPECT_NEAR(DoubleProperty(p.volume, "volume"), 0.72, 1e-6); // the element keeps a float
    EXPECT_EQ(StringProperty(player().Elements().textOverlay, "text"), "VOLUME 72");
    EXPECT_FALSE(BoolProperty(p.textOverlay, "silent"));
    EXPECT_EQ(IntProperty(p.textOverlay, "halignment"), 2);
    EXPECT_EQ(IntProperty(p.textOverlay, "valignment"), 2);

    c.ToggleMute();
    EXPECT_DOUBLE_EQ(DoubleProperty(p.volume, "volume"), 0.0);
    EXPECT_EQ(StringProperty(player().Elements().textOverlay, "text"), "MUTE");
    EXPECT_FALSE(BoolProperty(p.textOverlay, "silent"));
    c.OnVolumeGauge(10, true);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.volume, "volume"), 0.0);
    EXPECT_EQ(StringProperty(player().Elements().textOverlay, "text"), "MUTE");
    c.ToggleMute();
    EXPECT_NEAR(DoubleProperty(p.volume, "volume"), 0.72, 1e-6); // the element keeps a float
    EXPECT_TRUE(BoolProperty(p.textOverlay, "silent"));
}

TEST_F(AvControlsTest, MuteLastsIntoTheNextStream) {
    EngineHarness h(player());
    AvControls c(player(), host);
    c.ToggleMute();
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    EXPECT_DOUBLE_EQ(DoubleProperty(player().Elements().volume, "volume"), 0.0);
}

TEST_F(AvControlsTest, SecondAudioTrackSwitchesTheSelector) {
    std::vector<wxString> messages;
    const MessageHandler previous = SetMessageHandler([&](const wxString& text, MessageIcon, wxWindow*) {
        messages.push_back(text);
        return wxOK;
    });
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kHdFull));
    const StreamInfo info = player().SnapshotInfo();
    ASSERT_EQ(info.audioCount, 2);
    PlainChoice choice;
    for (int i = 0; i < 2; ++i)
        choice.entries.push_back(
            {"track", wxString::Format("%d", info.audio[i].pid), wxString::Format("%d", i)});

    host.tvControl = true;
    AvControls c(player(), host);
    ASSERT_TRUE(c.OnAudioChoice(choice, 1));
    EXPECT_EQ(ActivePad(player()), info.audio[1].selectorPad);
    EXPECT_EQ(c.currentAudioTrack(), 1);
    EXPECT_EQ(host.receiverTracks, (std::vector<wxString>{"1"}));

    host.tvControl = false; // the TV keeps its track
    ASSERT_TRUE(c.OnAudioChoice(choice, 0));
    EXPECT_EQ(ActivePad(player()), info.audio[0].selectorPad);
    EXPECT_EQ(host.receiverTracks.size(), 1u);

    choice.entries[1].value = "999";
    EXPECT_FALSE(c.OnAudioChoice(choice, 1));
    EXPECT_EQ(ActivePad(player()), info.audio[0].selectorPad);
    EXPECT_EQ(messages.size(), 1u);
    SetMessageHandler(previous);
}

TEST_F(AvControlsTest, SettingsAndLiveValuesReachTheirElements) {
    auto& av = TestSettings().avParameter;
    av.LBand = -6;
    av.MBand = 3.5;
    av.HBand = 12;
    av.Brightness = -0.25;
    av.Contrast = 1.5;
    av.Color = 0.5;
    TestSettings().general.Deinterlacer = 0;
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kSdPlain));
    const PlaybackPipeline& p = player().Elements();
    EXPECT_DOUBLE_EQ(DoubleProperty(p.equalizer, "band0"), -6);
    EXPECT_NEAR(DoubleProperty(p.equalizer, "band1"), 3.5, 1e-6);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.equalizer, "band2"), 12);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.videoBalance, "brightness"), -0.25);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.videoBalance, "contrast"), 1.5);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.videoBalance, "saturation"), 0.5);
    EXPECT_EQ(IntProperty(p.deInterlace, "mode"), 2);

    ApplyEqualizer(player(), -24, 0, 1.5);
    ApplyVideoBalance(player(), 0.1, 0.9, 2);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.equalizer, "band0"), -24);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.equalizer, "band2"), 1.5);
    EXPECT_DOUBLE_EQ(DoubleProperty(p.videoBalance, "saturation"), 2);
    ApplyDeinterlace(player(), true);
    // The element takes a new mode with its next picture.
    EXPECT_TRUE(h.Pump([&] { return IntProperty(p.deInterlace, "mode") == 0; }, 5000));
    EXPECT_TRUE(player().CurrentSettings().deinterlacer); // for a video chain built later
    ApplyClockVisible(player(), true);
    EXPECT_FALSE(BoolProperty(p.clockOverlay, "silent"));
}

// GENERAL/Subtitles on: the stream starts with the overlay drawing the stream in the
// preferred language; switched off and on again by PID.
TEST_F(AvControlsTest, SubtitlesShownByPidAndSwitchedOff) {
    TestSettings().general.Subtitles = 1;
    EngineHarness h(player());
    ASSERT_TRUE(PlayUntilPlaying(h, kHdSubtitles));
    const PlaybackPipeline& p = player().Elements();
    const StreamInfo info = player().SnapshotInfo();
    ASSERT_EQ(info.subtitleCount, 1);
    EXPECT_EQ(info.subtitles[0].language, "deu");
    EXPECT_TRUE(BoolProperty(p.subtitleOverlay, "enable"));
    EXPECT_EQ(player().CurrentSettings().subtitlePid, 0x104);
    GstPad* active = nullptr;
    g_object_get(p.subtitleInputSelector, "active-pad", &active, nullptr);
    EXPECT_EQ(active, info.subtitles[0].selectorPad);
    if (active)
        gst_object_unref(active);

    EXPECT_TRUE(SelectSubtitles(player(), 0));
    EXPECT_FALSE(BoolProperty(p.subtitleOverlay, "enable"));
    EXPECT_FALSE(SelectSubtitles(player(), 0x999));
    EXPECT_FALSE(BoolProperty(p.subtitleOverlay, "enable"));
    EXPECT_TRUE(SelectSubtitles(player(), 0x104));
    EXPECT_TRUE(BoolProperty(p.subtitleOverlay, "enable"));
    const auto choices = SubtitleChoices(player().SnapshotInfo(), player().CurrentSettings());
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].label, "deu");
    EXPECT_TRUE(choices[0].checked);
}
