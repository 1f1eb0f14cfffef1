// Whether the elements of the chains behind the demuxer are freed after a stop.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gst/gst.h>

#include "stream/gst_helpers.h"
#include "stream/player.h"

// Weak references to the elements behind the demuxer. Removed from the bin, they
// must also be freed: anything that keeps a reference (an unreleased message, pad
// or sample) keeps the decoder with its pictures, and each zap adds to memory.
class ChainElementWatch {
public:
    explicit ChainElementWatch(Player& player) {
        std::lock_guard lock(player.ChainMutex());
        const PlaybackPipeline& p = player.Elements();
        for (GstElement* e : {p.multiQueue,         p.videoParser,
                              p.videoDecoder,       p.decoderQueue,
                              p.deInterlace,        p.videoRate,
                              p.videoScale,         p.videoBalance,
                              p.subtitleOverlay,    p.clockOverlay,
                              p.textOverlay,        p.colorSpace,
                              p.videoQueue,         p.videoSink,
                              p.audioInputSelector, p.audioRate,
                              p.equalizer,          p.volume,
                              p.audioQueue,         p.audioSink,
                              p.teletextSink,       p.subtitleInputSelector})
            Watch(e);
        const StreamInfo info = player.SnapshotInfo();
        for (const AudioTrackSlot& slot : info.audio)
            for (GstElement* e : {slot.parser, slot.decoder, slot.convert, slot.resample})
                Watch(e);
    }
    ~ChainElementWatch() {
        for (auto& w : watched_)
            g_weak_ref_clear(&w->ref);
    }
    ChainElementWatch(const ChainElementWatch&) = delete;
    ChainElementWatch& operator=(const ChainElementWatch&) = delete;

    size_t Count() const { return watched_.size(); }
    // Names of the watched elements that still exist.
    std::string Alive() const {
        std::string names;
        for (const auto& w : watched_)
            if (gpointer object = g_weak_ref_get(&w->ref)) {
                names += w->name + " ";
                g_object_unref(object);
            }
        return names;
    }

private:
    struct Watched {
        GWeakRef ref;
        std::string name;
    };
    void Watch(GstElement* e) {
        if (!e)
            return;
        auto w = std::make_unique<Watched>();
        g_weak_ref_init(&w->ref, e);
        w->name = ObjectName(e);
        watched_.push_back(std::move(w));
    }
    std::vector<std::unique_ptr<Watched>> watched_;
};
