// Small GStreamer helpers shared by the engine's files.
#pragma once

#include <string>
#include <vector>

#include <gst/gst.h>

// Creates an element from the first installed factory of the list; name may be null.
GstElement* MakeElement(const std::vector<const char*>& factories, const char* name);
bool HasProperty(gpointer object, const char* property);
// Sets a property only where the element has it (sinks differ between setups).
void SetIfExists(GstElement* element, const char* property, gboolean value);
// The caps text of a pad: the negotiated caps, else what the pad can produce.
std::string PadCapsText(GstPad* pad);
// The language the demuxer read for the pad's stream (its ISO 639 descriptor), as a
// three-letter ISO 639-2 code; empty when none is known.
std::string PadLanguage(GstPad* pad);
// A language tag as three letters: GStreamer shortens codes to two where ISO 639-1 has one.
std::string ThreeLetterLanguage(const char* code);
// Elements and pads are referenced by name in the logs.
std::string ObjectName(gpointer object);
