// Volume, mute and choice rules of the audio/video controls without a stream.
#include <gtest/gtest.h>

#include "core/message.h"
#include "fake_av_host.h"
#include "stream/player.h"
#include "webif/plain_state_view.h"

namespace {

class AvControlsRules : public testing::Test {
protected:
    void SetUp() override {
        previous_ = SetMessageHandler([this](const wxString& text, MessageIcon icon, wxWindow*) {
            messages.push_back(text);
            icons.push_back(icon);
            return wxOK;
        });
    }
    void TearDown() override { SetMessageHandler(previous_); }

    static PlainChoice Choice(std::initializer_list<std::pair<const char*, const char*>> entries) {
        PlainChoice c;
        for (const auto& [value, id] : entries)
            c.entries.push_back({value, value, id, true});
        return c;
    }

    Player player; // without a pipeline: the controls' rules alone
    FakeAvHost host;
    std::vector<wxString> messages;
    std::vector<MessageIcon> icons;

private:
    MessageHandler previous_;
};

} // namespace

TEST_F(AvControlsRules, GaugeSetsVolumeOnlyWithLeftButton) {
    host.storedVolume = 50;
    AvControls c(player, host);
    EXPECT_FALSE(c.OnVolumeGauge(70, false)); // motion without the button
    EXPECT_EQ(host.storedVolume, 50);
    EXPECT_TRUE(c.OnVolumeGauge(120, true));
    EXPECT_EQ(host.storedVolume, 100);
    EXPECT_EQ(player.CurrentSettings().volume, 100); // for an audio chain built later
    EXPECT_TRUE(c.OnVolumeGauge(-3, true));
    EXPECT_EQ(host.storedVolume, 0);
    EXPECT_EQ(host.shownVolumes, (std::vector<int>{100, 0}));
    EXPECT_EQ(host.timerStarts, (std::vector<int>{3000, 3000}));
}

TEST_F(AvControlsRules, MuteKeepsTheVolumeToReturnTo) {
    host.storedVolume = 50;
    AvControls c(player, host);
    c.OnVolumeGauge(35, true);
    c.ToggleMute();
    EXPECT_TRUE(c.muted());
    EXPECT_TRUE(player.IsMuted()); // chains built while muted start silent
    EXPECT_EQ(c.gaugeValue(), 0);
    EXPECT_FALSE(c.OnVolumeGauge(80, true)); // ignored while muted
    EXPECT_EQ(host.storedVolume, 35);
    c.ToggleMute();
    EXPECT_FALSE(player.IsMuted());
    EXPECT_EQ(c.gaugeValue(), 35);
    EXPECT_EQ(host.shownVolumes, (std::vector<int>{35, 0, 35}));
    EXPECT_EQ(host.timerStops, 2); // the volume text must not hide "MUTE"
    EXPECT_EQ(host.storedVolume, 35);
}

TEST_F(AvControlsRules, AudioChoiceNeedsTwoEntriesAndAKnownTrack) {
    AvControls c(player, host);
    PlainChoice single = Choice({{"257", "0"}});
    EXPECT_FALSE(c.OnAudioChoice(single, 0));
    EXPECT_TRUE(messages.empty());

    host.tvControl = true;
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
    AvControls c(player, host);
    PlainChoice single = Choice({{"1:0:1:A:1:1:C00000:0:0:0:", ""}});
    EXPECT_FALSE(c.OnVideoChoice(single, 0));
    PlainChoice two = Choice({{"1:0:1:A:1:1:C00000:0:0:0:", ""}, {"1:0:1:B:1:1:C00000:0:0:0:", ""}});
    two.entries[0].hasData = false;
    EXPECT_FALSE(c.OnVideoChoice(two, 0));
    EXPECT_FALSE(c.OnVideoChoice(two, 2));
    EXPECT_TRUE(c.OnVideoChoice(two, 1));
    EXPECT_EQ(host.subServices, (std::vector<wxString>{"1:0:1:B:1:1:C00000:0:0:0:"}));
}

TEST(SubtitleChoices, LanguageLettersAndTheStreamShown) {
    StreamInfo info;
    GstPad* const pad = reinterpret_cast<GstPad*>(&info); // identity only
    info.subtitles[0] = {0x104, pad, "deu", 0x10};
    info.subtitles[1] = {0x105, nullptr, "eng", 0x10}; // its pad is gone
    info.subtitles[2] = {0x106, pad, "e\x01", 0x20};
    info.subtitleCount = 3;
    StreamSettings settings;
    // "label pid", with "*" for the one shown.
    auto entries = [&] {
        std::vector<std::string> out;
        for (const auto& c : SubtitleChoices(info, settings))
            out.push_back(c.label.ToStdString() + " " + std::to_string(c.pid) + (c.checked ? "*" : ""));
        return out;
    };
    EXPECT_EQ(entries(), (std::vector<std::string>{"deu 260", "e?? 262"}));
    settings.subtitles = true; // on, nothing chosen: the first one linked plays
    EXPECT_EQ(entries(), (std::vector<std::string>{"deu 260*", "e?? 262"}));
    settings.subtitlePid = 0x106;
    EXPECT_EQ(entries(), (std::vector<std::string>{"deu 260", "e?? 262*"}));
    // Without a pipeline nothing is shown, but the choice is kept for chains built later.
    Player player;
    EXPECT_FALSE(SelectSubtitles(player, 0x104));
    EXPECT_TRUE(player.CurrentSettings().subtitles);
    EXPECT_EQ(player.CurrentSettings().subtitlePid, 0x104);
    EXPECT_TRUE(SelectSubtitles(player, 0));
    EXPECT_FALSE(player.CurrentSettings().subtitles);
}
