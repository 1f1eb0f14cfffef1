// Switch "-r": deleting GStreamer's plug-in registry so that it is rebuilt on the next
// initialisation.
#pragma once

#include <wx/string.h>

#include "core/message.h"

// $XDG_CACHE_HOME, or ~/.cache when it is unset or empty (no trailing separator).
wxString GStreamerCacheDir();

// Deletes every cacheDir/gstreamer-1.0/registry.*.bin. Returns true, with the
// information message, only when at least one file matched and all were deleted;
// otherwise false with the exclamation message.
bool DeleteGStreamerRegistry(const wxString& cacheDir, wxString& message, MessageIcon& icon);
