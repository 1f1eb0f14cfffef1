// The pure rules of playing a service or recording: stream addresses, neighbour
// search in a bouquet, and the position and seek arithmetic of recordings. What a
// reference itself tells (programme number, picon, path) is ServiceRef's. No
// windows, no network.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include <wx/string.h>

#include "webif/service_model.h"
#include "webif/service_ref.h"

struct ReceiverProfile;

// What playing needs of a recording besides kind and reference (the recordings
// list fills it from "e2title", "e2description" and "e2time"); services leave the
// texts empty.
struct MovieItemData : ChannelItemData {
    wxString title;
    wxString description;
    wxString begin; // Unix seconds as decimal text
};

// "http://host:SPort/<escaped ref>".
wxString LiveStreamUrl(const ReceiverProfile& profile, const ServiceRef& ref);
// "http[s]://host:WPort/file?file=/<escaped path>". The credentials go to the
// player's source apart (StreamSource), never into the address.
wxString RecordingStreamUrl(const ReceiverProfile& profile, const wxString& path);

// " Programminfo [ Aufnahme vom dd.mm.yyyy um hh:mm ] " for a begin time (Unix
// seconds as decimal text) in local time; an unreadable time counts as 0.
wxString RecordingInfoLabel(const wxString& begin);
// The text between the last "[" and the last "]" (the service-name field).
wxString BracketText(const wxString& label);

// "%uh:%02um:%02us"; a negative (unknown) time prints 99 in every field.
wxString ClockText(std::int64_t nanoseconds);
// "<position> / <duration>".
wxString PositionText(std::int64_t position, std::int64_t duration);
// Progress in percent, 0..100; 0 without a known duration.
int ProgressPercent(std::int64_t position, std::int64_t duration);
// Seek target for a click at x on a gauge of the given width; -1 when unusable.
std::int64_t GaugeSeekTarget(int x, int width, std::int64_t duration);
// Rewind / forward by skipSeconds, kept inside 0..duration.
std::int64_t SkipTarget(std::int64_t position, std::int64_t duration, long skipSeconds, bool forward);

// One entry of a bouquet as the previous/next buttons see it.
struct SiblingInfo {
    bool marker = false;
    bool hasChildren = false;
};
// The entry the previous/next service button lands on from `current`: one step
// with wrap (next wraps also before an entry with children), markers skipped.
// -1 when there is no playable entry (empty list, or markers only).
int NeighbourService(const std::vector<SiblingInfo>& siblings, int current, bool forward);
// The previous/next marker from `current` with wrap; -1 when the walk comes back
// to where it started without meeting one.
int NeighbourMarker(const std::vector<SiblingInfo>& siblings, int current, bool forward);
