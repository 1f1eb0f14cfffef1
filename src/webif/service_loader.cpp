// The network and cache half of loading a service list.
#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "webif/provider_cache.h"
#include "webif/service_list.h"
#include "webif/web_answer.h"
#include "webif/web_request.h"

namespace {
bool FetchList(int listKind, const wxString& cachePath, wxString& answer) {
    if (!cachePath.empty() && wxFileExists(cachePath) && ReadProviderCache(cachePath, answer))
        return true;
    if (!WebRequest(ServiceListCommand(listKind)))
        return false;
    answer = WebAnswer();
    // Only a readable list is cached: a cached error page would stick forever.
    if (!cachePath.empty() && ParseWebAnswer(answer, "e2servicelistrecursive").Root().IsValid() &&
        !WriteProviderCache(cachePath, answer))
        wxLogWarning(_("Die Datei \"%s\" konnte nicht geschrieben werden!"), cachePath);
    return true;
}
} // namespace

bool LoadServiceList(ServiceListModel& model, int listKind, bool resetCurrentMatch,
                     const wxString& currentServiceRef, const wxString& dataDir, long profileIndex) {
    if (resetCurrentMatch)
        model.current = CurrentServiceMatch();
    const bool provider = listKind == 0 || listKind == 2;
    const wxString cachePath = provider ? dataDir + ProviderCacheName(listKind, profileIndex) : wxString();
    wxString answer;
    if (!FetchList(listKind, cachePath, answer))
        return false;
    return AppendServiceList(model, listKind, answer, currentServiceRef);
}
