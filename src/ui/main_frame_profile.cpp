// MyMainFrame: receiver power commands and the receiver-profile switch.
#include <functional>
#include <memory>
#include <vector>

#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "core/message.h"
#include "core/settings.h"
#include "ui/app_context.h"
#include "ui/main_frame.h"
#include "webif/state_queries.h"
#include "webif/web_commands.h"

namespace {
const std::string kTogglePower = PowerStateCommand(0);
} // namespace

bool MyMainFrame::PowerCommand(int newState) {
    wxString question;
    switch (newState) {
    case 0: // standby toggles at once and leaves playback alone
        Ask(kTogglePower);
        return true;
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
    if (!settings.general.ExpertMode && ShowMessage(question, MessageIcon::Question, this) != wxYES)
        return false;
    PostCommand("ID_TOOL_STOP");
    Ask(PowerStateCommand(newState));
    return true;
}

bool MyMainFrame::SwitchProfile(int index) {
    if (index < 0 || index >= std::min(settings.profileCount, AppSettings::kProfileSlots))
        return false;
    settings.activeProfile = index;
    // Replies of the old receiver (lists, EPG, a zap) are dropped from here on.
    ++profileGeneration;
    ++zapGeneration;
    providersLoading = {};
    context.receiver.Reconnect();
    GetMenuBar()->Check(XRCID(kProfileMenuItems[index]), true);
    ShowPending(wxString::Format(_("Verbinde mit %s..."), settings.ActiveProfile().Name));

    const std::uint64_t generation = profileGeneration;
    // Standby round trip as at start-up: a woken receiver reports the service it will
    // show, and goes back to standby afterwards.
    Ask(PowerStateCommand(-1), [this, generation](const WebReply& standby) {
        if (generation != profileGeneration)
            return;
        receiverInStandby = false;
        if (standby.Ok())
            ParseStandby(standby.body, receiverInStandby);
        if (receiverInStandby)
            Ask(kTogglePower);
        Ask(CurrentServiceCommand(), [this, generation](const WebReply& current) {
            if (generation != profileGeneration)
                return;
            if (current.Ok())
                ApplyCurrentService(current.body, receiver);
            if (receiverInStandby)
                Ask(kTogglePower);
            SwitchProfileLists();
        });
    });
    return true;
}

void MyMainFrame::SwitchProfileLists() {
    EmptyFavourites();
    tree->ClearLists();
    serviceLists.Clear();
    currentServiceItem = wxTreeItemId();
    currentTreeItem = previousTreeItem = wxTreeItemId();

    std::vector<int> kinds = {1, 3};
    if (settings.general.TVProviders)
        kinds.push_back(0);
    if (settings.general.RAProviders)
        kinds.push_back(2);
    // One after the other, as the lists' order in the tree and the current-service
    // match depend on it; the current service plays once all are in.
    auto remaining = std::make_shared<std::vector<int>>(kinds.rbegin(), kinds.rend());
    // Each load's reply holds the continuation; a dropped reply frees it.
    auto step = std::make_shared<std::function<void()>>();
    *step = [this, remaining, weak = std::weak_ptr<std::function<void()>>(step)] {
        if (remaining->empty()) {
            SelectCurrentServiceItem();
            PlayCurrentService();
            return;
        }
        const int kind = remaining->back();
        remaining->pop_back();
        LoadServiceList(kind, kind == 1, [next = weak.lock()](const WebReply*) {
            if (next)
                (*next)();
        });
    };
    (*step)();
}
