// Deprecated shims for the windows: WebRequest and the blocking queries on the
// process-wide context, each a ReceiverClient::Get plus the parsers the new API uses.
#include "webif/web_request.h"

#include <ctime>

#include <wx/utils.h>

#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "webif/service_list.h"
#include "webif/state_queries.h"
#include "webif/web_commands.h"

WebContext& Web() {
    static WebContext context;
    return context;
}

namespace {

const AppSettings& CurrentSettings() {
    return Web().settings ? *Web().settings : Settings();
}

wxString DataDir() {
    return Web().dataDir.empty() ? Paths().dataDir : Web().dataDir;
}

} // namespace

bool WebRequest(const std::string& command) {
    WebContext& web = Web();
    web.answer.clear();
    const ReceiverClient client(ConnectionOf(CurrentSettings(), web.debugDump, DataDir()), {});
    const WebReply reply = client.Get(command);
    web.answer = reply.body;
    if (web.startupReporting) {
        const wxString message =
            StartupFailureMessage(reply, CurrentSettings().ActiveProfile(), DataDir() + "tessaro.cfg");
        if (!message.empty())
            ShowMessage(message, MessageIcon::Error, web.messageParent);
        web.startupAbort = !reply.Ok();
    }
    return reply.Ok();
}

bool QueryStandby() {
    bool standby = false;
    return WebRequest(PowerStateCommand(-1)) && ParseStandby(WebAnswer(), standby) && standby;
}

bool QueryCurrentService(ReceiverStateView& view) {
    return WebRequest(CurrentServiceCommand()) && ApplyCurrentService(WebAnswer(), view.State());
}

bool QueryNowNext(ReceiverStateView& view, bool now) {
    return WebRequest(NowNextCommand(view.State().currentServiceRef, now)) &&
           ApplyNowNext(WebAnswer(), view, now, std::time(nullptr));
}

int QueryAudioTracks(ReceiverStateView& view) {
    for (int attempt = 1;; ++attempt) {
        int count = 0;
        if (!WebRequest(AudioTracksCommand()))
            return 0;
        if (ApplyAudioTracks(WebAnswer(), view, count))
            return count;
        if (attempt == 5)
            return 0;
        wxMilliSleep(1000);
    }
}

void QuerySubServices(ReceiverStateView& view) {
    if (WebRequest(SubServicesCommand(view.State().currentServiceRef)))
        ApplySubServices(WebAnswer(), view);
}

bool LoadServiceList(ServiceListModel& model, int listKind, bool resetCurrentMatch,
                     const wxString& currentServiceRef, const wxString& dataDir, long profileIndex) {
    if (resetCurrentMatch)
        model.current = CurrentServiceMatch();
    const wxString cachePath = ServiceListCachePath(listKind, dataDir, profileIndex);
    if (AppendCachedServiceList(model, listKind, cachePath, currentServiceRef))
        return true;
    return WebRequest(ServiceListCommand(listKind)) &&
           AppendReceivedServiceList(model, listKind, WebAnswer(), currentServiceRef, cachePath);
}
