#include "stream/audio_controls.h"

#include <algorithm>
#include <cctype>

#include <gst/gst.h>
#include <wx/intl.h>

#include "core/message.h"
#include "stream/player.h"
#include "webif/state_view.h"

namespace {

constexpr guint kOverlayColour = 0xff00ff00u;
constexpr int kAlignRight = 2;
constexpr int kAlignTop = 2;
constexpr int kDeinterlaceAuto = 0;
constexpr int kDeinterlaceOff = 2;
constexpr size_t kMaxOnScreenText = 10;

} // namespace

int VolumeFromGaugeX(int x) {
    return std::clamp(x, 0, 100);
}

void ApplyVolume(Player& player, double volume) {
    player.WithElement(&PlaybackPipeline::volume, [&](GstElement* e) {
        g_object_set(e, "volume", std::clamp(volume, 0.0, 1.0), nullptr);
    });
}

void ShowOnScreenText(Player& player, const wxString& text, bool silent) {
    const wxString shown = text.Left(kMaxOnScreenText);
    player.WithElement(&PlaybackPipeline::textOverlay, [&](GstElement* e) {
        g_object_set(e, "text", static_cast<const char*>(shown.utf8_str()), "color", kOverlayColour,
                     "halignment", kAlignRight, "valignment", kAlignTop, "silent", silent ? TRUE : FALSE,
                     nullptr);
    });
}

void ApplyEqualizer(Player& player, double low, double mid, double high) {
    player.ChangeSettings([&](StreamSettings& s) {
        s.lowBand = low;
        s.midBand = mid;
        s.highBand = high;
    });
    player.WithElement(&PlaybackPipeline::equalizer, [&](GstElement* e) {
        g_object_set(e, "band0", low, "band1", mid, "band2", high, nullptr);
    });
}

void ApplyVideoBalance(Player& player, double brightness, double contrast, double saturation) {
    player.ChangeSettings([&](StreamSettings& s) {
        s.brightness = brightness;
        s.contrast = contrast;
        s.colour = saturation;
    });
    player.WithElement(&PlaybackPipeline::videoBalance, [&](GstElement* e) {
        g_object_set(e, "brightness", brightness, "contrast", contrast, "saturation", saturation, nullptr);
    });
}

void ApplyDeinterlace(Player& player, bool on) {
    player.ChangeSettings([&](StreamSettings& s) { s.deinterlacer = on; });
    player.WithElement(&PlaybackPipeline::deInterlace, [&](GstElement* e) {
        g_object_set(e, "mode", on ? kDeinterlaceAuto : kDeinterlaceOff, nullptr);
    });
}

void ApplyClockVisible(Player& player, bool visible) {
    player.SetClockVisible(visible);
    player.WithElement(&PlaybackPipeline::clockOverlay,
                       [&](GstElement* e) { g_object_set(e, "silent", visible ? FALSE : TRUE, nullptr); });
}

bool SelectSubtitles(Player& player, int pid) {
    player.ChangeSettings([&](StreamSettings& s) {
        s.subtitles = pid != 0;
        s.subtitlePid = pid;
    });
    PlayerCore& core = player.Core();
    std::lock_guard chain(core.chainMutex);
    GstPad* pad = nullptr;
    {
        std::lock_guard lock(core.infoMutex);
        const StreamInfo& info = core.info;
        for (int i = 0; pid != 0 && i < std::min(info.subtitleCount, StreamInfo::kTrackSlots); ++i)
            if (info.subtitles[i].pid == pid && info.subtitles[i].selectorPad)
                pad = info.subtitles[i].selectorPad;
    }
    // The chain lock keeps the pad alive: slots are only emptied while it is held.
    const PlaybackPipeline& p = core.elements;
    if (pad && p.subtitleInputSelector)
        g_object_set(p.subtitleInputSelector, "active-pad", pad, nullptr);
    if (p.subtitleOverlay)
        g_object_set(p.subtitleOverlay, "enable", pad ? TRUE : FALSE, nullptr);
    return pid == 0 || pad;
}

std::vector<SubtitleChoice> SubtitleChoices(const StreamInfo& info, const StreamSettings& settings) {
    std::vector<SubtitleChoice> choices;
    const int count = std::min(info.subtitleCount, StreamInfo::kTrackSlots);
    for (int i = 0; i < count; ++i) {
        const SubtitleTrackSlot& slot = info.subtitles[i];
        if (!slot.pad)
            continue;
        wxString label;
        for (size_t c = 0; c < 3; ++c) {
            const unsigned char letter = c < slot.language.size() ? slot.language[c] : 0;
            label += std::isalpha(letter) ? wxUniChar(letter) : wxUniChar('?');
        }
        // Without a choice of its own the stream shows the first one linked.
        const bool shown = settings.subtitlePid == slot.pid || (settings.subtitlePid == 0 && choices.empty());
        choices.push_back({slot.pid, label, settings.subtitles && shown});
    }
    return choices;
}

int FindAudioSlot(const Player& player, int pid, int count) {
    const StreamInfo info = player.SnapshotInfo();
    const int n = std::min({count, info.audioCount, StreamInfo::kTrackSlots});
    for (int i = 0; i < n; ++i)
        if (info.audio[i].pid == pid && info.audio[i].selectorPad)
            return i;
    return -1;
}

bool ActivateAudioSlot(Player& player, int index) {
    if (index < 0 || index >= StreamInfo::kTrackSlots)
        return false;
    PlayerCore& core = player.Core();
    std::lock_guard chain(core.chainMutex);
    GstElement* selector = core.elements.audioInputSelector;
    GstPad* pad = nullptr;
    {
        std::lock_guard lock(core.infoMutex);
        pad = core.info.audio[index].selectorPad;
    }
    // The chain lock keeps the pad alive: slots are only emptied while it is held.
    if (!selector || !pad)
        return false;
    g_object_set(selector, "active-pad", pad, nullptr);
    return true;
}

AvControls::AvControls(Player& player, AvControlsHost& host)
    : player_(player), host_(host), muted_(player.IsMuted()),
      gaugeValue_(std::clamp(host.StoredVolume(), 0, 100)), rememberedVolume_(gaugeValue_) {
    if (muted_)
        gaugeValue_ = 0;
}

bool AvControls::OnVolumeGauge(int x, bool leftDown) {
    if (muted_ || !leftDown)
        return false;
    const int volume = VolumeFromGaugeX(x);
    host_.StoreVolume(volume);
    player_.ChangeSettings([&](StreamSettings& s) { s.volume = volume; });
    gaugeValue_ = volume;
    host_.ShowVolume(volume);
    ApplyVolume(player_, volume / 100.0);
    ShowOnScreenText(player_, wxString::Format("VOLUME %d", volume), false);
    host_.StartOverlayTimer(kVolumeTextMs);
    return true;
}

void AvControls::ToggleMute() {
    muted_ = !muted_;
    if (muted_)
        rememberedVolume_ = gaugeValue_;
    gaugeValue_ = muted_ ? 0 : rememberedVolume_;
    player_.SetMuted(muted_);
    host_.ShowVolume(gaugeValue_);
    ApplyVolume(player_, muted_ ? 0.0 : rememberedVolume_ / 100.0);
    host_.StopOverlayTimer();
    // The word stays on screen for as long as the sound is off.
    ShowOnScreenText(player_, "MUTE", !muted_);
}

bool AvControls::OnAudioChoice(const ChoiceView& choice, int index) {
    if (choice.Count() <= 1 || index < 0 || index >= choice.Count())
        return false;
    long pid = -1;
    const int slot = choice.Value(index).ToLong(&pid, 10)
                         ? FindAudioSlot(player_, static_cast<int>(pid), choice.Count())
                         : -1;
    if (slot < 0 || !ActivateAudioSlot(player_, slot)) {
        ShowMessage(_(L"Die gewählte Audiospur wurde nicht gefunden!"), MessageIcon::Exclamation);
        return false;
    }
    currentTrack_ = slot;
    if (host_.TvControl() && !choice.ReceiverId(index).empty())
        host_.SelectReceiverAudioTrack(choice.ReceiverId(index));
    return true;
}

bool AvControls::OnVideoChoice(const ChoiceView& choice, int index) {
    if (choice.Count() < 2 || index < 0 || index >= choice.Count() || !choice.HasData(index))
        return false;
    host_.PlaySubService(choice.Value(index));
    return true;
}
