#include "stream/audio_controls.h"

#include <algorithm>
#include <mutex>

#include <gst/gst.h>
#include <wx/intl.h>

#include "core/message.h"
#include "core/settings.h"
#include "stream/pipeline.h"
#include "stream/stream_info.h"
#include "webif/state_view.h"

namespace {

constexpr guint kOverlayColour = 0xff00ff00u;
constexpr int kAlignRight = 2;
constexpr int kAlignTop = 2;
constexpr int kDeinterlaceAuto = 0;
constexpr int kDeinterlaceOff = 2;
constexpr size_t kMaxOnScreenText = 10;

// Runs f on the element while the chain that holds it cannot be torn down.
template <typename F> void WithElement(GstElement* PlaybackPipeline::*member, F f) {
    std::lock_guard lock(ChainMutex());
    if (GstElement* element = Pipeline().*member)
        f(element);
}

} // namespace

int VolumeFromGaugeX(int x) {
    return std::clamp(x, 0, 100);
}

void ApplyVolume(double volume) {
    WithElement(&PlaybackPipeline::volume,
                [&](GstElement* e) { g_object_set(e, "volume", std::clamp(volume, 0.0, 1.0), nullptr); });
}

void ShowOnScreenText(const wxString& text, bool silent) {
    const wxString shown = text.Left(kMaxOnScreenText);
    WithElement(&PlaybackPipeline::textOverlay, [&](GstElement* e) {
        g_object_set(e, "text", static_cast<const char*>(shown.utf8_str()), "color", kOverlayColour,
                     "halignment", kAlignRight, "valignment", kAlignTop, "silent", silent ? TRUE : FALSE,
                     nullptr);
    });
}

void ApplyEqualizer(double low, double mid, double high) {
    WithElement(&PlaybackPipeline::equalizer,
                [&](GstElement* e) { g_object_set(e, "band0", low, "band1", mid, "band2", high, nullptr); });
}

void ApplyVideoBalance(double brightness, double contrast, double saturation) {
    WithElement(&PlaybackPipeline::videoBalance, [&](GstElement* e) {
        g_object_set(e, "brightness", brightness, "contrast", contrast, "saturation", saturation, nullptr);
    });
}

void ApplyDeinterlace(bool on) {
    Settings().general.Deinterlacer = on ? 1 : 0;
    WithElement(&PlaybackPipeline::deInterlace, [&](GstElement* e) {
        g_object_set(e, "mode", on ? kDeinterlaceAuto : kDeinterlaceOff, nullptr);
    });
}

void ApplyClockVisible(bool visible) {
    SetClockVisible(visible);
    WithElement(&PlaybackPipeline::clockOverlay,
                [&](GstElement* e) { g_object_set(e, "silent", visible ? FALSE : TRUE, nullptr); });
}

void ApplySubtitles(bool on) {
    WithElement(&PlaybackPipeline::subtitleOverlay,
                [&](GstElement* e) { g_object_set(e, "enable", on ? TRUE : FALSE, nullptr); });
}

int FindAudioSlot(int pid, int count) {
    std::lock_guard lock(InfoMutex());
    const StreamInfo& info = Info();
    const int n = std::min({count, info.audioCount, StreamInfo::kTrackSlots});
    for (int i = 0; i < n; ++i)
        if (info.audio[i].pid == pid && info.audio[i].selectorPad)
            return i;
    return -1;
}

bool ActivateAudioSlot(int index) {
    if (index < 0 || index >= StreamInfo::kTrackSlots)
        return false;
    std::lock_guard chain(ChainMutex());
    GstElement* selector = Pipeline().audioInputSelector;
    GstPad* pad = nullptr;
    {
        std::lock_guard lock(InfoMutex());
        pad = Info().audio[index].selectorPad;
    }
    // The chain lock keeps the pad alive: slots are only emptied while it is held.
    if (!selector || !pad)
        return false;
    g_object_set(selector, "active-pad", pad, nullptr);
    return true;
}

AvControls::AvControls(AvControlsHost& host)
    : host_(host), muted_(IsMuted()), gaugeValue_(std::clamp(Settings().general.Volume, 0, 100)),
      rememberedVolume_(gaugeValue_) {
    if (muted_)
        gaugeValue_ = 0;
}

bool AvControls::OnVolumeGauge(int x, bool leftDown) {
    if (muted_ || !leftDown)
        return false;
    const int volume = VolumeFromGaugeX(x);
    Settings().general.Volume = volume;
    gaugeValue_ = volume;
    host_.ShowVolume(volume);
    ApplyVolume(volume / 100.0);
    ShowOnScreenText(wxString::Format("VOLUME %d", volume), false);
    host_.StartOverlayTimer(kVolumeTextMs);
    return true;
}

void AvControls::ToggleMute() {
    muted_ = !muted_;
    if (muted_)
        rememberedVolume_ = gaugeValue_;
    gaugeValue_ = muted_ ? 0 : rememberedVolume_;
    SetMuted(muted_);
    host_.ShowVolume(gaugeValue_);
    ApplyVolume(muted_ ? 0.0 : rememberedVolume_ / 100.0);
    host_.StopOverlayTimer();
    // The word stays on screen for as long as the sound is off.
    ShowOnScreenText("MUTE", !muted_);
}

bool AvControls::OnAudioChoice(const ChoiceView& choice, int index) {
    if (choice.Count() <= 1 || index < 0 || index >= choice.Count())
        return false;
    long pid = -1;
    const int slot =
        choice.Value(index).ToLong(&pid, 10) ? FindAudioSlot(static_cast<int>(pid), choice.Count()) : -1;
    if (slot < 0 || !ActivateAudioSlot(slot)) {
        ShowMessage(_(L"Die gewählte Audiospur wurde nicht gefunden!"), MessageIcon::Exclamation);
        return false;
    }
    currentTrack_ = slot;
    if (Settings().general.TVControl != 0 && !choice.ReceiverId(index).empty())
        host_.SelectReceiverAudioTrack(choice.ReceiverId(index));
    return true;
}

bool AvControls::OnVideoChoice(const ChoiceView& choice, int index) {
    if (choice.Count() < 2 || index < 0 || index >= choice.Count() || !choice.HasData(index))
        return false;
    host_.PlaySubService(choice.Value(index));
    return true;
}
