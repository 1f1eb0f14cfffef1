// Small GStreamer helpers shared by the engine's files.
#pragma once

#include <initializer_list>
#include <string>

#include <gst/gst.h>

// Creates an element from the first installed factory of the list; name may be null.
GstElement* MakeElement(std::initializer_list<const char*> factories, const char* name);
bool HasProperty(gpointer object, const char* property);
// Sets a property only where the element has it (sinks differ between setups).
void SetIfExists(GstElement* element, const char* property, gboolean value);
// The caps text of a pad: the negotiated caps, else what the pad can produce.
std::string PadCapsText(GstPad* pad);
// Elements and pads are referenced by name in the logs.
std::string ObjectName(gpointer object);
