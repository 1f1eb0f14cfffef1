// Signal and bus handlers of the engine, connected by Player::Init with the
// player's PlayerCore as their user data. The signal handlers run on GStreamer's
// streaming threads ("no-more-pads" also on the GUI thread, when the bus watch
// reads the PMT), the bus watch on the GUI thread; they only change the pipeline,
// write the stream facts and post StreamEvents.
#pragma once

#include <string>

#include <gst/gst.h>

struct AudioTrackSlot;
struct PlayerCore;

void OnPadAdded(GstElement* demuxer, GstPad* pad, gpointer core);
void OnPadRemoved(GstElement* demuxer, GstPad* pad, gpointer core);
void OnNoMorePads(GstElement* demuxer, gpointer core);
void OnSourceHandoff(GstElement* identity, GstBuffer* buffer, gpointer core);
// Synchronous, on the posting thread: the video sink asking for its window, and the
// demuxer's stream collection (the count of streams to expect).
GstBusSyncReply OnBusSync(GstBus* bus, GstMessage* message, gpointer core);
// The bus watch (GUI thread); leaves the message to the caller.
gboolean OnBusWatch(GstBus* bus, GstMessage* message, gpointer core);

// From the PMT section the demuxer posts: fills expected counts and descriptors.
void HandlePmtMessage(PlayerCore& core, GstMessage* message);
// "Streams: linked / expected".
std::string StreamsLine(int linked, int expected);
// The no-more-pads rule: with linked == expected - (expected > 1), signal it.
void CheckAllPadsLinked(PlayerCore& core);
// Audio tags of a tag message, for the slot that the pad belongs to.
void HandleAudioTags(PlayerCore& core, GstPad* pad, const GstTagList* tags);
// Stores the mode and hands its window to the sink (or the overlay inside it).
void AttachVideoWindowTo(PlayerCore& core, GstElement* sink, int mode);
// "underrun" of "MultiQueue": a drained buffer while PLAYING becomes an end of stream.
void RaiseEosOnUnderrun(GstElement* multiQueue, gpointer core);

// Tear-down of the chains built behind the demuxer's pads (caller holds chainMutex).
void DropVideoElements(PlayerCore& core);
void DropAudioTrackElements(PlayerCore& core, AudioTrackSlot& slot);
