// An AvControlsHost double that records what the controls ask of the window.
#pragma once

#include <vector>

#include "stream/audio_controls.h"

class FakeAvHost : public AvControlsHost {
public:
    std::vector<int> shownVolumes;
    std::vector<int> timerStarts;
    int timerStops = 0;
    std::vector<wxString> receiverTracks;
    std::vector<wxString> subServices;
    int storedVolume = 50;
    bool tvControl = false;

    void ShowVolume(int value) override { shownVolumes.push_back(value); }
    void StartOverlayTimer(int ms) override { timerStarts.push_back(ms); }
    void StopOverlayTimer() override { ++timerStops; }
    void SelectReceiverAudioTrack(const wxString& id) override { receiverTracks.push_back(id); }
    void PlaySubService(const wxString& ref) override { subServices.push_back(ref); }
    int StoredVolume() const override { return storedVolume; }
    void StoreVolume(int volume) override { storedVolume = volume; }
    bool TvControl() const override { return tvControl; }
};
