// Loading and saving "tessaro.cfg" and the checks the settings dialog runs before it
// applies. Everything is passed in: the application object owns the settings.
#pragma once

#include <functional>

#include <wx/string.h>

#include "core/options.h"
#include "core/settings.h"

// Reads dataDir + "tessaro.cfg" into `settings`. Returns the number of usable profiles,
// or 0 when the program must be configured first (no file, or the default profile on
// "127.0.0.1").
int LoadSettingsFrom(AppSettings& settings, StartOptions& options, const wxString& dataDir);

// dataDir ends with the path separator. The file is written to a temporary file in
// the same directory and renamed over the old one, so a failed save never leaves a
// truncated "tessaro.cfg" behind.
bool SaveSettingsTo(AppSettings& settings, const wxString& dataDir, bool resetToDefaults);

// The values a first start writes (profile slot 1 is the "Tunerbox" example on
// 127.0.0.1). Rezap, RCType and the main-window position keep their values.
void ResetSettingsToDefaults(AppSettings& settings);

// True when the host is a dotted IPv4 address or a name that resolves to one.
using HostResolver = std::function<bool(const wxString& host)>;
bool ResolvesToIPv4(const wxString& host);

// The checks before the settings dialog applies. Checks profile slots
// 0 .. candidate.profileCount-1 (the dialog keeps its list compacted at the front and
// profileCount as its length), then the proxy when candidate.proxy.Mode is on.
// On the first failure returns false with the translated message in `message`;
// the caller shows it with MessageIcon::Exclamation.
bool ValidateSettingsForApply(const AppSettings& candidate, wxString& message);
bool ValidateSettingsForApply(const AppSettings& candidate, wxString& message, const HostResolver& resolver);
