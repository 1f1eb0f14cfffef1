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
struct ProgrammeFacts;

void OnPadAdded(GstElement* demuxer, GstPad* pad, gpointer core);
void OnPadRemoved(GstElement* demuxer, GstPad* pad, gpointer core);
void OnNoMorePads(GstElement* demuxer, gpointer core);
void OnSourceHandoff(GstElement* identity, GstBuffer* buffer, gpointer core);
// Synchronous, on the posting thread: the video sink asking for its window, and the
// demuxer's stream collection (the count of streams to expect) and the programme
// table for the census of the first packets.
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
// Removes the audio output when no track feeds it any more: a sink that never gets
// data would hold the whole pipeline back from PLAYING.
void RemoveUnusedAudioOutput(PlayerCore& core);
// Removes the video chain of a pad that is about to go, and lets the pad go quietly.
void RetireVideoChain(PlayerCore& core, GstPad* oldPad);

// Programme updates (programme_update.cpp; caller holds chainMutex). A new pad
// continues the stream of a pad of the earlier programme version: true when it took
// over its chain (nothing is to be built).
bool TakeOverStream(PlayerCore& core, int kind, GstPad* pad);
// A pad whose chain was taken over is going: true (and forgotten) if it was one.
bool ForgetRetiredPad(PlayerCore& core, GstPad* pad);

// Watching the stream (stream_watch.cpp). The census of the first packets starts
// with each start (GUI thread, the pipeline not yet running) and is stopped, if it
// has not ended itself, once the pipeline is down.
void StartCensus(PlayerCore& core);
void StopCensus(PlayerCore& core);
// The programme table's facts, from the bus's sync handler on the demuxer's thread;
// wanted is the demuxer's programme number (-1: the first one).
void NoteProgrammeFacts(PlayerCore& core, int programme, int wanted, ProgrammeFacts facts);
// Posts stream_event::FirstData when the first buffer reaches the sink (once per stream and kind).
void WatchFirstData(PlayerCore& core, GstElement* sink, bool picture);
// Measures the picture and sound queues at each buffer into this multiqueue input.
void WatchQueueLevel(PlayerCore& core, GstPad* queuePad);
