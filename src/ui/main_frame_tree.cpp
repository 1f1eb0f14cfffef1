// MyMainFrame: the channel tree's lists and events.
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/main_frame.h"
#include "webif/service_list.h"
#include "webif/service_ref.h"

void MyMainFrame::LoadServiceList(int kind, bool resetCurrentMatch, ListDone done) {
    if (kind < 0 || kind > 3) {
        if (done)
            done(nullptr);
        return;
    }
    if (resetCurrentMatch)
        serviceLists.current = CurrentServiceMatch();
    const wxString cachePath = ServiceListCachePath(kind, Paths().dataDir, settings.activeProfile);
    const ListMark mark = MarkList(kind);
    if (AppendCachedServiceList(serviceLists, kind, cachePath, currentServiceRef)) {
        ShowAppendedList(kind, mark);
        if (done)
            done(nullptr);
        return;
    }
    const std::uint64_t generation = profileGeneration;
    Ask(
        ServiceListCommand(kind),
        [this, kind, cachePath, generation, done = std::move(done)](const WebReply& reply) {
            // Lists of the profile before a switch have no place in the tree.
            if (generation != profileGeneration)
                return;
            if (!reply.Ok()) {
                if (done)
                    done(&reply);
                return;
            }
            const ListMark mark = MarkList(kind);
            if (AppendReceivedServiceList(serviceLists, kind, reply.body, currentServiceRef, cachePath))
                ShowAppendedList(kind, mark);
            else
                LogUnreadableAnswer(reply.command);
            if (done)
                done(nullptr);
        },
        RequestLane::Bulk);
}

MyMainFrame::ListMark MyMainFrame::MarkList(int kind) const {
    const bool providers = kind == 0 || kind == 2;
    const ServiceBranch& branch = serviceLists.Branch(kind);
    return {providers ? branch.providers.size() : branch.bouquets.size(), serviceLists.menus.size(),
            serviceLists.current.found};
}

void MyMainFrame::ShowAppendedList(int kind, const ListMark& mark) {
    const wxTreeItemId match = tree->ShowServiceList(serviceLists, kind, mark.firstFolder);
    if (!mark.matchedBefore && match.IsOk()) {
        currentServiceItem = match;
        SetBoxLabel(kPlayModeBox, serviceLists.current.playModeLabel);
    }
    if (kind == 1)
        AdoptBouquetMenus(mark.firstMenu);
}

void MyMainFrame::AdoptBouquetMenus(size_t firstMenu) {
    const wxTreeItemId bouquets = tree->FolderItem(MyTreeCtrl::kTvBouquets);
    // The bouquet folders in tree order, to find the item of each menu's folder.
    std::vector<wxTreeItemId> folderItems;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree->GetFirstChild(bouquets, cookie); child.IsOk();
         child = tree->GetNextChild(bouquets, cookie))
        folderItems.push_back(child);

    for (size_t i = firstMenu; i < serviceLists.menus.size() && i < size_t(kMaxBouquetMenus); ++i) {
        const BouquetMenu& menu = serviceLists.menus[i];
        favouritesMenus[i] = BuildBouquetMenu(menu);
        bouquetNames[i] = menu.name;
        bouquetItems[i] =
            menu.folderIndex < folderItems.size() ? folderItems[menu.folderIndex] : wxTreeItemId();
        lastBouquetIndex = static_cast<int>(i);
    }
}

void MyMainFrame::EmptyFavourites() {
    for (int i = 0; i <= lastBouquetIndex && i < kMaxBouquetMenus; ++i) {
        delete favouritesMenus[i];
        favouritesMenus[i] = nullptr;
        bouquetNames[i].clear();
        bouquetItems[i] = wxTreeItemId();
    }
    lastBouquetIndex = -1;
}

void MyMainFrame::SelectCurrentServiceItem() {
    if (currentServiceItem.IsOk()) {
        tree->EnsureVisible(currentServiceItem);
        tree->SelectItem(currentServiceItem);
    }
    currentTreeItem = tree->GetSelection();
    previousTreeItem = currentTreeItem;
}

void MyMainFrame::OnTreeActivated(wxTreeEvent& event) {
    const wxTreeItemId item = event.GetItem();
    if (!item.IsOk())
        return;
    if (tree->ItemHasChildren(item)) {
        tree->Toggle(item);
        return;
    }
    const MyChannelItemData* data = MyTreeCtrl::DataOf(*tree, item);
    if (!data || ServiceRef(data->sRef).IsMarker() || data->kind == kKindFolder)
        return;
    previousTreeItem = currentTreeItem;
    currentTreeItem = item;
    PlayService(*data);
}

void MyMainFrame::OnTreeRightClick(wxTreeEvent& event) {
    const wxTreeItemId item = event.GetItem();
    if (!item.IsOk())
        return;
    if (const MyChannelItemData* data = MyTreeCtrl::DataOf(*tree, item)) {
        tree->SelectItem(item);
        if (data->kind == kKindRecording) {
            PopupMenu(hdMenu.get());
        } else if (data->kind == kKindTV || data->kind == kKindRadio) {
            // Picture-in-picture needs a playing TV stream, which does not exist yet.
            tvRaMenu->Enable(XRCID("ID_MENUITEM_TVRA_PIP"), false);
            PopupMenu(tvRaMenu.get());
        }
        // Folders open the bouquet now/next EPG, which the program does not have yet.
        return;
    }
    const wxString label = tree->GetItemText(item);
    if (item == tree->TvBranch() && label == "TV")
        LoadProvidersOnDemand(0, _("Einen Moment bitte, lade TV-Anbieter..."));
    else if (item == tree->RaBranch() && label == "RA")
        LoadProvidersOnDemand(2, _("Einen Moment bitte, lade RA-Anbieter..."));
}

void MyMainFrame::LoadProvidersOnDemand(int kind, const wxString& busyText) {
    // A second click while the list is on its way would add it twice.
    bool& loading = providersLoading[kind == 0 ? 0 : 1];
    if (loading)
        return;
    loading = true;
    ShowPending(busyText);
    LoadServiceList(kind, false, [&loading](const WebReply*) { loading = false; });
}

void MyMainFrame::OnTreeExpanding(wxTreeEvent& event) {
    // The recordings branch loads its lists on first expansion once the recordings
    // list exists; until then there is nothing to load.
    event.Skip();
}
