// Controls that act on a running stream without restarting it: audio track,
// video entry (sub-service), volume and mute with their on-screen text, and
// the live equalizer, picture balance, deinterlacing, clock and subtitles.
#pragma once

#include <wx/string.h>

class ChoiceView;

// What the controls need from the window that holds them.
class AvControlsHost {
public:
    virtual ~AvControlsHost() = default;
    // "ID_GAUGE_VOLUME": value and the tool tip "Lautstärke %d".
    virtual void ShowVolume(int value) = 0;
    // Timer 4, which hides the on-screen text.
    virtual void StartOverlayTimer(int milliseconds) = 0;
    virtual void StopOverlayTimer() = 0;
    // Tells the receiver which audio track the TV plays (only with TV control).
    virtual void SelectReceiverAudioTrack(const wxString& receiverId) = 0;
    // Plays the TV service with this reference (a sub-service entry).
    virtual void PlaySubService(const wxString& serviceRef) = 0;
};

// The gauge is 100 units wide: x inside it, clamped, is the volume.
int VolumeFromGaugeX(int x);

// Element properties, applied only while the element exists.
void ApplyVolume(double volume);
void ShowOnScreenText(const wxString& text, bool silent);
// Equalizer bands in dB; balance brightness -1..1, contrast and saturation 0..2.
void ApplyEqualizer(double low, double mid, double high);
void ApplyVideoBalance(double brightness, double contrast, double saturation);
// "DeInterlace" mode 0 (automatic) when on, else 2 (off); also GENERAL/Deinterlacer.
void ApplyDeinterlace(bool on);
// The clock overlay, now and for chains built later.
void ApplyClockVisible(bool visible);
void ApplySubtitles(bool on);

// Index of the audio slot playing pid among the first `count` slots, -1 if none.
int FindAudioSlot(int pid, int count);
// Makes the slot's pad the active input of "AudioInputSelector".
bool ActivateAudioSlot(int index);

class AvControls {
public:
    static constexpr int kVolumeTextMs = 3000;

    explicit AvControls(AvControlsHost& host);

    // Mouse on the gauge; ignored while muted or without the left button.
    bool OnVolumeGauge(int x, bool leftDown);
    void ToggleMute();
    // Selection `index` of the audio / video choice.
    bool OnAudioChoice(const ChoiceView& choice, int index);
    bool OnVideoChoice(const ChoiceView& choice, int index);

    bool muted() const { return muted_; }
    int gaugeValue() const { return gaugeValue_; }
    int currentAudioTrack() const { return currentTrack_; }

private:
    AvControlsHost& host_;
    bool muted_ = false;
    int gaugeValue_;
    int rememberedVolume_;
    int currentTrack_ = 0;
};
