// Controls that act on a running stream without restarting it: audio track,
// video entry (sub-service), volume and mute with their on-screen text, and
// the live equalizer, picture balance, deinterlacing, clock and subtitles.
#pragma once

#include <vector>

#include <wx/string.h>

#include "stream/stream_info.h"
#include "stream/stream_settings.h"

class ChoiceView;
class Player;

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
    // GENERAL/Volume: read once for the gauge, written with each new volume.
    virtual int StoredVolume() const = 0;
    virtual void StoreVolume(int volume) = 0;
    // GENERAL/TVControl: whether the receiver's TV follows the audio track.
    virtual bool TvControl() const = 0;
};

// The gauge is 100 units wide: x inside it, clamped, is the volume.
int VolumeFromGaugeX(int x);

// Element properties of the player's chains, applied while the element exists
// (GUI thread); values chains take when they are built later go to the stream's
// settings as well.
void ApplyVolume(Player& player, double volume);
void ShowOnScreenText(Player& player, const wxString& text, bool silent);
// Equalizer bands in dB; balance brightness -1..1, contrast and saturation 0..2.
void ApplyEqualizer(Player& player, double low, double mid, double high);
void ApplyVideoBalance(Player& player, double brightness, double contrast, double saturation);
// "DeInterlace" mode 0 (automatic) when on, else 2 (off).
void ApplyDeinterlace(Player& player, bool on);
void ApplyClockVisible(Player& player, bool visible);

// Shows the DVB subtitle stream with this PID ("SubtitleInputSelector"'s active pad,
// "SubtitleOverlay"'s "enable"), or none for 0; the stream's settings keep the choice
// for chains built later. False when no linked subtitle stream has the PID.
bool SelectSubtitles(Player& player, int pid);

// An entry of a subtitle menu: the stream's three-letter language, each missing letter
// as "?", and whether it is the stream shown.
struct SubtitleChoice {
    int pid = 0;
    wxString label;
    bool checked = false;
};
std::vector<SubtitleChoice> SubtitleChoices(const StreamInfo& info, const StreamSettings& settings);

// Index of the audio slot playing pid among the first `count` slots, -1 if none.
int FindAudioSlot(const Player& player, int pid, int count);
// Makes the slot's pad the active input of "AudioInputSelector".
bool ActivateAudioSlot(Player& player, int index);

class AvControls {
public:
    static constexpr int kVolumeTextMs = 3000;

    AvControls(Player& player, AvControlsHost& host);

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
    Player& player_;
    AvControlsHost& host_;
    bool muted_ = false;
    int gaugeValue_;
    int rememberedVolume_;
    int currentTrack_ = 0;
};
