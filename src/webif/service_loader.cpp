// The network and cache half of loading a service list.
#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "webif/provider_cache.h"
#include "webif/receiver_client.h"
#include "webif/service_list.h"

wxString ServiceListCachePath(int listKind, const wxString& dataDir, long profileIndex) {
    const bool provider = listKind == 0 || listKind == 2;
    return provider ? dataDir + ProviderCacheName(listKind, profileIndex) : wxString();
}

bool AppendCachedServiceList(ServiceListModel& model, int listKind, const wxString& cachePath,
                             const wxString& currentServiceRef) {
    wxString answer;
    return !cachePath.empty() && wxFileExists(cachePath) && ReadProviderCache(cachePath, answer) &&
           AppendServiceList(model, listKind, answer, currentServiceRef);
}

bool AppendReceivedServiceList(ServiceListModel& model, int listKind, const wxString& answer,
                               const wxString& currentServiceRef, const wxString& cachePath) {
    if (!AppendServiceList(model, listKind, answer, currentServiceRef))
        return false;
    // Only a readable list is cached: a cached error page would stick forever.
    if (!cachePath.empty() && !WriteProviderCache(cachePath, answer))
        wxLogWarning(_("Die Datei \"%s\" konnte nicht geschrieben werden!"), cachePath);
    return true;
}

bool LoadServiceList(const ReceiverClient& client, ServiceListModel& model, int listKind,
                     bool resetCurrentMatch, const wxString& currentServiceRef, const wxString& dataDir,
                     long profileIndex) {
    if (resetCurrentMatch)
        model.current = CurrentServiceMatch();
    const wxString cachePath = ServiceListCachePath(listKind, dataDir, profileIndex);
    if (AppendCachedServiceList(model, listKind, cachePath, currentServiceRef))
        return true;
    return GetAndRead(client, ServiceListCommand(listKind),
                      [&](const wxString& answer) {
                          return AppendReceivedServiceList(model, listKind, answer, currentServiceRef,
                                                           cachePath);
                      })
        .Ok();
}
