// Loading the receiver's bouquet and provider lists into the ServiceListModel.
// List kinds: 0 TV providers, 1 TV bouquets, 2 radio providers, 3 radio bouquets.
#pragma once

#include <string>

#include <wx/string.h>

#include "webif/service_model.h"

// The getallservices command of a list kind (0..3).
std::string ServiceListCommand(int listKind);

// Parses an "e2servicelistrecursive" answer and appends its folders, services and
// (for TV bouquets) menus to the model; matches the current service unless a match
// of this loading round exists. Sorts and renumbers "Sender" afterwards. False when
// the answer has no such root (nothing is added).
bool AppendServiceList(ServiceListModel& model, int listKind, const wxString& answer,
                       const wxString& currentServiceRef);

// Sorts the "Sender" entries by label (code-point order) and renumbers their
// position codes 1..n.
void SortAndRenumberSender(std::vector<ChannelEntry>& sender);

// "tv-provider-%ld.xml" / "ra-provider-%ld.xml" for provider kinds 0 / 2.
wxString ProviderCacheName(int listKind, long profileIndex);

// Where a provider list (kinds 0, 2) is cached: dataDir + ProviderCacheName; empty for
// bouquet lists, which are never cached.
wxString ServiceListCachePath(int listKind, const wxString& dataDir, long profileIndex);

// Appends the cached copy of a list; false when there is no cache file or it cannot be
// read (then ask the receiver for ServiceListCommand(listKind)).
bool AppendCachedServiceList(ServiceListModel& model, int listKind, const wxString& cachePath,
                             const wxString& currentServiceRef);

// Appends the receiver's answer (a reply handler's job) and, once it was readable, caches
// it at `cachePath` (when not empty). False for an unreadable answer: nothing is added
// and nothing cached.
bool AppendReceivedServiceList(ServiceListModel& model, int listKind, const wxString& answer,
                               const wxString& currentServiceRef, const wxString& cachePath);

class ReceiverClient;

// Loads one list, blocking: the provider cache in `dataDir` when it is readable, else
// the receiver. resetCurrentMatch starts a new search for the current service. False
// when nothing could be loaded.
bool LoadServiceList(const ReceiverClient& client, ServiceListModel& model, int listKind,
                     bool resetCurrentMatch, const wxString& currentServiceRef, const wxString& dataDir,
                     long profileIndex);
