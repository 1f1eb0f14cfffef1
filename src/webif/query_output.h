// Text output of tessaro-query: one item a line, fields separated by tabs.
#pragma once

#include <vector>

#include <wx/string.h>

#include "webif/service_model.h"
#include "webif/state_queries.h"

// The services command's list kind for "tv", "radio", "tv-providers",
// "radio-providers"; -1 for anything else.
int ServiceListKindByName(const wxString& name);

// Folders as "folder\t<name>\t<sRef>", services as "<code>\t<name>\t<sRef>",
// markers as "marker\t<name>"; provider lists end with their "Sender" entries.
std::vector<wxString> FormatServiceLines(const ServiceListModel& model, int listKind);
// Every child of the root as "<element>\t<text>" (deviceinfo is flat enough).
std::vector<wxString> FormatFlatAnswer(const wxString& answer, const wxString& root);
std::vector<wxString> FormatAudioTracks(const std::vector<AudioTrack>& tracks);
