#include "stream/probe_session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <map>

#include <gst/tag/tag.h>
#include <wx/app.h>

#include "stream/gst_helpers.h"

namespace {

using Clock = std::chrono::steady_clock;

// GStreamer tags languages with two letters where ISO 639-1 has them ("fr").
std::string ThreeLetterLanguage(const std::string& code) {
    if (code.size() != 2)
        return code;
    const gchar* three = gst_tag_get_language_code_iso_639_2T(code.c_str());
    return three ? three : code;
}

std::string PadCodec(GstPad* pad) {
    return pad ? ProbeCodecName(PadCapsText(pad)) : std::string();
}

// The tracks behind the demuxer as the engine linked them; its pads stay while the
// chain lock is held.
std::vector<ProbeTrack> LinkedTracks(Player& player) {
    std::lock_guard chains(player.ChainMutex());
    const StreamInfo info = player.SnapshotInfo();
    std::vector<ProbeTrack> tracks;
    if (info.video.pad)
        tracks.push_back({ProbeTrack::Kind::Video, PadCodec(info.video.pad), {}, info.video.pid, {}});
    for (int i = 0; i < std::min(info.audioCount + 1, StreamInfo::kTrackSlots); ++i)
        if (const AudioTrackSlot& slot = info.audio[i]; slot.pad)
            tracks.push_back({ProbeTrack::Kind::Audio,
                              PadCodec(slot.pad),
                              ThreeLetterLanguage(slot.language),
                              slot.pid,
                              {}});
    if (info.teletextPad)
        tracks.push_back(
            {ProbeTrack::Kind::Teletext, {}, info.teletext.language, info.teletextPid, info.teletext.pages});
    for (const SubtitleTrackSlot& slot : info.subtitles)
        if (slot.pad)
            tracks.push_back({ProbeTrack::Kind::Subtitle, PadCodec(slot.pad), slot.language, slot.pid, {}});
    return tracks;
}

GstPadProbeReturn CountPicture(GstPad*, GstPadProbeInfo*, gpointer data) {
    ++*static_cast<std::atomic<long>*>(data);
    return GST_PAD_PROBE_OK;
}

// Counts the pictures that reach the video sink (each new chain's sink anew).
void CountPictures(Player& player, std::atomic<long>& frames) {
    player.WithElement(&PlaybackPipeline::videoSink, [&](GstElement* sink) {
        if (GstPad* pad = gst_element_get_static_pad(sink, "sink")) {
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountPicture, &frames, nullptr);
            gst_object_unref(pad);
        }
    });
}

// The demuxer offered a video stream, whether or not the engine could link it.
void NoteVideoPad(GstElement*, GstPad* pad, gpointer data) {
    if (g_str_has_prefix(PadCapsText(pad).c_str(), "video/"))
        *static_cast<std::atomic<bool>*>(data) = true;
}

class ProbeView : public StreamView, public wxEvtHandler {
public:
    ProbeView(Player& player, const AppSettings& settings, const StartOptions& options,
              SupervisorIntervals intervals)
        : player_(player), supervisor_(player, *this, settings, options, intervals) {
        Bind(EVT_STREAM, &ProbeView::OnStreamEvent, this);
        player_.SetEventTarget(this);
        if (GstElement* demuxer = player_.Elements().demuxer)
            padHandler_ = g_signal_connect(demuxer, "pad-added", G_CALLBACK(NoteVideoPad), &videoOffered_);
    }
    ~ProbeView() override {
        player_.Stop();
        if (padHandler_)
            g_signal_handler_disconnect(player_.Elements().demuxer, padHandler_);
        player_.SetEventTarget(nullptr);
        DeletePendingEvents();
    }

    ProbeOutcome Run(const ProbeRequest& request) {
        start_ = Clock::now();
        if (!player_.SetSource(request.source) || !supervisor_.StartStreaming()) {
            outcome_.result = ProbeResult::Error;
            outcome_.error = "the source cannot be played";
            return outcome_;
        }
        const auto end = start_ + std::chrono::seconds(std::max(1, request.seconds));
        // GLib's loop waits for the bus; a short tick wakes it for the posted events
        // and the timers, which are not GLib sources.
        const guint tick = g_timeout_add(
            5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
        while (Clock::now() < end && !gaveUp_) {
            g_main_context_iteration(nullptr, TRUE);
            Step();
        }
        g_source_remove(tick);
        if (outcome_.tracks.empty())
            outcome_.tracks = LinkedTracks(player_);
        facts_.anyTrack = facts_.anyTrack || !outcome_.tracks.empty();
        // A service whose picture the engine cannot decode has no picture, not just sound.
        facts_.videoTrack = facts_.videoTrack || videoOffered_;
        player_.Stop();
        outcome_.frames = frames_;
        outcome_.result = ClassifyProbe(facts_);
        outcome_.error = facts_.error;
        return outcome_;
    }

    // StreamView: nothing is shown; timers and commands are kept for the loop.
    void AppendAudioChoice(const wxString&, int) override { ++audioChoices_; }
    void AppendVideoChoice(const wxString&, int) override { ++videoChoices_; }
    int AudioChoiceCount() const override { return audioChoices_; }
    int VideoChoiceCount() const override { return videoChoices_; }
    void ClearAudioChoice() override { audioChoices_ = 0; }
    void ClearVideoChoice() override { videoChoices_ = 0; }
    void SelectAudioChoice(int) override {}
    void SetAvBoxLabel(const wxString&) override {}
    void EnableSubtitleMenu(bool) override {}
    void EnableTool(StreamTool, bool) override {}
    void ShowPauseBitmap(bool) override {}
    void SetStatusText(const wxString&) override {}
    void RefreshVideoPanel() override {}
    void DrawVideoImage(const wxString& bitmap, bool) override { gaveUp_ = gaveUp_ || bitmap == "IMG_ABORT"; }
    void ReturnVideoToMainWindow() override {}
    bool DesktopWindowFound() const override { return false; }
    void StartTimer(StreamTimer timer, int ms) override {
        timers_[timer] = Clock::now() + std::chrono::milliseconds(ms);
    }
    void StopTimer(StreamTimer timer) override { timers_.erase(timer); }
    void PostStopCommand() override { commands_.push_back(false); }
    void PostPlayPauseCommand() override { commands_.push_back(true); }
    void StopStreaming() override {
        timers_.erase(StreamTimer::Timeout);
        timers_.erase(StreamTimer::Resync);
        player_.Stop();
    }
    int CurrentItemType() const override { return 1; }
    wxString OverlayText() const override { return {}; }
    void QuerySubservices() override {}
    void AskReceiverAudioTrack(std::function<void()> notChosen) override { notChosen(); }
    bool PipActive() const override { return false; }
    void RestartPip() override {}
    void ShowThroughput(int, int, int, int) override {}
    void ShowDownloadProgress(int, const wxString&) override {}

private:
    int SinceStart() const {
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
    }

    void OnStreamEvent(wxThreadEvent& posted) {
        const StreamEvent event = StreamEventOf(posted);
        if (event.generation == player_.Generation())
            Note(event);
        supervisor_.OnStreamEvent(event);
    }

    void Note(const StreamEvent& event) {
        if (const auto* data = event.As<stream_event::FirstData>()) {
            (data->picture ? facts_.picture : facts_.sound) = true;
            if (data->picture && outcome_.firstPictureMs < 0)
                outcome_.firstPictureMs = SinceStart();
        } else if (const auto* playing = event.As<stream_event::Playing>(); playing && playing->playing) {
            facts_.playing = true;
            if (outcome_.playingMs < 0)
                outcome_.playingMs = SinceStart();
            outcome_.tracks = LinkedTracks(player_);
        } else if (event.As<stream_event::Scrambled>()) {
            facts_.scrambled = true;
            outcome_.tracks = LinkedTracks(player_); // before the stop takes them down
        } else if (event.As<stream_event::VideoAdded>()) {
            facts_.videoTrack = facts_.anyTrack = true;
            CountPictures(player_, frames_);
        } else if (event.As<stream_event::AudioAdded>()) {
            facts_.anyTrack = true;
        } else if (const auto* problem = event.As<stream_event::Problem>()) {
            if (problem->level == kLogError && facts_.error.empty())
                facts_.error = problem->message;
        }
    }

    void Step() {
        for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i) {
        }
        if (wxTheApp)
            wxTheApp->ProcessPendingEvents();
        while (!commands_.empty()) {
            const bool play = commands_.front();
            commands_.pop_front();
            if (!play) {
                StopStreaming();
                continue;
            }
            if (player_.State() == GST_STATE_NULL)
                ++outcome_.reconnects;
            supervisor_.StartStreaming();
        }
        FireDueTimer();
    }

    void FireDueTimer() {
        const auto now = Clock::now();
        for (const auto& [timer, due] : timers_) {
            if (due > now)
                continue;
            const StreamTimer fired = timer;
            timers_.erase(fired);
            if (fired == StreamTimer::Timeout)
                supervisor_.OnTimeoutTimer();
            else if (fired == StreamTimer::Resync)
                supervisor_.OnResyncTimer();
            else
                supervisor_.OnOverlayTimer();
            return; // the handlers may have changed the timers
        }
    }

    Player& player_;
    StreamSupervisor supervisor_;
    Clock::time_point start_;
    std::map<StreamTimer, Clock::time_point> timers_;
    std::deque<bool> commands_; // true: play/pause, false: stop
    int audioChoices_ = 0;
    int videoChoices_ = 0;
    bool gaveUp_ = false;
    std::atomic<long> frames_{0};
    std::atomic<bool> videoOffered_{false};
    gulong padHandler_ = 0;
    ProbeFacts facts_;
    ProbeOutcome outcome_;
};

} // namespace

ProbeOutcome RunProbe(Player& player, const AppSettings& settings, const StartOptions& options,
                      const ProbeRequest& request, SupervisorIntervals intervals) {
    ProbeView view(player, settings, options, intervals);
    return view.Run(request);
}
