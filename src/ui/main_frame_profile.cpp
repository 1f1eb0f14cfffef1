// MyMainFrame: receiver power commands and the receiver-profile switch.
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "core/message.h"
#include "core/settings.h"
#include "ui/main_frame.h"
#include "webif/state_queries.h"
#include "webif/web_request.h"

namespace {
constexpr const char* kTogglePower = "powerstate?newstate=0";
} // namespace

bool MyMainFrame::PowerCommand(int newState) {
    wxString question;
    switch (newState) {
    case 0: // standby toggles at once and leaves playback alone
        return WebRequest(kTogglePower);
    case 1:
        question = _("Soll die Box wirklich ausgeschaltet werden?");
        break;
    case 2:
        question = _("Soll die Box wirklich neu gestartet werden?");
        break;
    case 3:
        question = _("Soll die Bedienoberfläche der Box wirklich neu gestartet werden?");
        break;
    default:
        return false;
    }
    if (!Settings().general.ExpertMode && ShowMessage(question, MessageIcon::Question, this) != wxYES)
        return false;
    PostCommand("ID_TOOL_STOP");
    return WebRequest(wxString::Format("powerstate?newstate=%d", newState).ToStdString());
}

bool MyMainFrame::SwitchProfile(int index) {
    AppSettings& settings = Settings();
    if (index < 0 || index >= std::min(settings.profileCount, AppSettings::kProfileSlots))
        return false;
    settings.activeProfile = index;

    receiverInStandby = QueryStandby();
    if (receiverInStandby)
        WebRequest(kTogglePower);
    QueryCurrentService(*this);
    if (receiverInStandby)
        WebRequest(kTogglePower);

    EmptyFavourites();
    tree->ClearLists();
    serviceLists.Clear();
    currentServiceItem = wxTreeItemId();
    currentTreeItem = previousTreeItem = wxTreeItemId();

    LoadServiceList(1, true);
    LoadServiceList(3, false);
    if (settings.general.TVProviders)
        LoadServiceList(0, false);
    if (settings.general.RAProviders)
        LoadServiceList(2, false);

    SelectCurrentServiceItem();
    if (!currentServiceRef.empty()) {
        ChannelItemData transient;
        transient.kind = currentItemType;
        transient.sRef = currentServiceRef;
        currentServiceRef.clear();
        PlayService(transient);
    }
    previousServiceRef = currentServiceRef;
    previousItemType = currentItemType;
    GetMenuBar()->Check(XRCID(kProfileMenuItems[index]), true);
    return true;
}
