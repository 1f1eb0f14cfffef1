// Signal and bus handlers of the engine, connected by InitStreaming. They run
// on GStreamer's streaming threads and only change the pipeline, write
// StreamInfo and post StreamEvents.
#pragma once

#include <gst/gst.h>

struct AudioTrackSlot;
struct PlaybackPipeline;

void OnPadAdded(GstElement* demuxer, GstPad* pad, gpointer data);
void OnPadRemoved(GstElement* demuxer, GstPad* pad, gpointer data);
void OnNoMorePads(GstElement* demuxer, gpointer data);
void OnSourceHandoff(GstElement* identity, GstBuffer* buffer, gpointer data);
// Takes the message: it is handled here and dropped.
GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer data);

// From the PMT section the demuxer posts: fills expected counts and descriptors.
void HandlePmtMessage(GstMessage* message);
// The no-more-pads rule: with linked == expected - (expected > 1), signal it.
void CheckAllPadsLinked();
// Audio tags of a tag message, for the slot that the pad belongs to.
void HandleAudioTags(GstPad* pad, const GstTagList* tags);

// Tear-down of the chains built behind the demuxer's pads (caller holds ChainMutex()).
void DropVideoElements(PlaybackPipeline& p);
void DropAudioTrackElements(AudioTrackSlot& slot);
