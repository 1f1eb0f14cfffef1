// Building blocks for the chains behind the demuxer: adding, dropping and
// linking elements of a pipeline bin. Callers hold the player's chainMutex.
#pragma once

#include <initializer_list>
#include <string>

#include <gst/gst.h>

// Adds the elements (null entries are skipped) to the bin.
void AddToBin(GstElement* bin, std::initializer_list<GstElement*> elements);
// Sets the element to NULL, removes it from the bin and forgets the reference.
void DropElement(GstElement* bin, GstElement*& element);
// Brings the elements to the pipeline's state, last one first so that
// downstream is ready before data arrives.
void SyncWithPipeline(std::initializer_list<GstElement*> elements);
// Requests a new input of the multiqueue, links pad to it and returns the input;
// its matching output is returned in srcPad (a new reference).
GstPad* LinkThroughMultiQueue(GstElement* multiQueue, GstPad* pad, GstPad** srcPad);
// Releases a request pad of owner (nullptr-safe) and clears the reference.
void ReleaseRequestPad(GstElement* owner, GstPad*& pad);
bool AnySinkPadLinked(GstElement* element);
// Links an element's pad to the static "sink" pad of downstream.
bool LinkPadTo(GstPad* src, GstElement* downstream, const char* sinkPad = "sink");
// Hexadecimal PID after the last '_' of a demuxer pad name (0 when absent).
int PidFromPadName(const std::string& name);
// The programme version the demuxer counts in a pad name ("video_1_0100": 1), -1 when absent.
int PadGeneration(const std::string& name);
