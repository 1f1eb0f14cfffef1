// Volume, mute and choice rules of the audio/video controls without a stream.
#include <gtest/gtest.h>

#include "core/message.h"
#include "core/settings.h"
#include "fake_av_host.h"
#include "stream/pipeline.h"
#include "webif/plain_state_view.h"

namespace {

class AvControlsRules : public testing::Test {
protected:
    void SetUp() override {
        savedGeneral_ = Settings().general;
        SetMuted(false);
        previous_ = SetMessageHandler([this](const wxString& text, MessageIcon icon, wxWindow*) {
            messages.push_back(text);
            icons.push_back(icon);
            return wxOK;
        });
    }
    void TearDown() override {
        SetMessageHandler(previous_);
        Settings().general = savedGeneral_;
        SetMuted(false);
    }

    static PlainChoice Choice(std::initializer_list<std::pair<const char*, const char*>> entries) {
        PlainChoice c;
        for (const auto& [value, id] : entries)
            c.entries.push_back({value, value, id, true});
        return c;
    }

    FakeAvHost host;
    std::vector<wxString> messages;
    std::vector<MessageIcon> icons;

private:
    AppSettings::General savedGeneral_;
    MessageHandler previous_;
};

} // namespace

TEST_F(AvControlsRules, GaugeSetsVolumeOnlyWithLeftButton) {
    Settings().general.Volume = 50;
    AvControls c(host);
    EXPECT_FALSE(c.OnVolumeGauge(70, false)); // motion without the button
    EXPECT_EQ(Settings().general.Volume, 50);
    EXPECT_TRUE(c.OnVolumeGauge(120, true));
    EXPECT_EQ(Settings().general.Volume, 100);
    EXPECT_TRUE(c.OnVolumeGauge(-3, true));
    EXPECT_EQ(Settings().general.Volume, 0);
    EXPECT_EQ(host.shownVolumes, (std::vector<int>{100, 0}));
    EXPECT_EQ(host.timerStarts, (std::vector<int>{3000, 3000}));
}

TEST_F(AvControlsRules, MuteKeepsTheVolumeToReturnTo) {
    Settings().general.Volume = 50;
    AvControls c(host);
    c.OnVolumeGauge(35, true);
    c.ToggleMute();
    EXPECT_TRUE(c.muted());
    EXPECT_TRUE(IsMuted()); // chains built while muted start silent
    EXPECT_EQ(c.gaugeValue(), 0);
    EXPECT_FALSE(c.OnVolumeGauge(80, true)); // ignored while muted
    EXPECT_EQ(Settings().general.Volume, 35);
    c.ToggleMute();
    EXPECT_FALSE(IsMuted());
    EXPECT_EQ(c.gaugeValue(), 35);
    EXPECT_EQ(host.shownVolumes, (std::vector<int>{35, 0, 35}));
    EXPECT_EQ(host.timerStops, 2); // the volume text must not hide "MUTE"
    EXPECT_EQ(Settings().general.Volume, 35);
}

TEST_F(AvControlsRules, AudioChoiceNeedsTwoEntriesAndAKnownTrack) {
    AvControls c(host);
    PlainChoice single = Choice({{"257", "0"}});
    EXPECT_FALSE(c.OnAudioChoice(single, 0));
    EXPECT_TRUE(messages.empty());

    Settings().general.TVControl = 1;
    PlainChoice two = Choice({{"257", "0"}, {"258", "1"}});
    EXPECT_FALSE(c.OnAudioChoice(two, 1)); // no stream: no slot has the PID
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], wxString::FromUTF8("Die gewählte Audiospur wurde nicht gefunden!"));
    EXPECT_EQ(icons[0], MessageIcon::Exclamation);
    EXPECT_TRUE(host.receiverTracks.empty()); // the TV does not switch to a track we cannot play
    EXPECT_FALSE(c.OnAudioChoice(two, 5));    // a stale index is not read
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(AvControlsRules, VideoChoicePlaysTheSelectedSubService) {
    AvControls c(host);
    PlainChoice single = Choice({{"1:0:1:A:1:1:C00000:0:0:0:", ""}});
    EXPECT_FALSE(c.OnVideoChoice(single, 0));
    PlainChoice two = Choice({{"1:0:1:A:1:1:C00000:0:0:0:", ""}, {"1:0:1:B:1:1:C00000:0:0:0:", ""}});
    two.entries[0].hasData = false;
    EXPECT_FALSE(c.OnVideoChoice(two, 0));
    EXPECT_FALSE(c.OnVideoChoice(two, 2));
    EXPECT_TRUE(c.OnVideoChoice(two, 1));
    EXPECT_EQ(host.subServices, (std::vector<wxString>{"1:0:1:B:1:1:C00000:0:0:0:"}));
}
