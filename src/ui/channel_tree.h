// MyTreeCtrl: the main window's channel tree (TV, radio and recordings branches) and
// the item data its handlers read. The lists themselves are loaded into a
// ServiceListModel by the web-interface code; the tree only shows them.
#pragma once

#include <array>
#include <cstddef>

#include <wx/treectrl.h>

#include "webif/my_channel_item_data.h"
#include "webif/service_model.h"

class wxMenu;

// Tree image indexes (the image list is built in this order).
enum TreeImage {
    kImgTvClosed = 0,
    kImgRaClosed,
    kImgHdClosed,
    kImgTvOpen,
    kImgRaOpen,
    kImgHdOpen,
    kImgTv,
    kImgRa,
    kImgHd,
    kImgMarker,
    kTreeImageCount
};

class MyTreeCtrl : public wxTreeCtrl {
public:
    // The nine folders below the three branches.
    enum Folder {
        kTvBouquets,
        kTvProviders,
        kTvSender,
        kRaBouquets,
        kRaProviders,
        kRaSender,
        kHdAll,
        kHdGenres,
        kHdPaths
    };
    static constexpr int kFolderCount = 9;

    MyTreeCtrl() = default;

    // Builds the image list and the twelve fixed bold items below the hidden root.
    void BuildFixedItems();
    wxTreeItemId TvBranch() const { return tvBranch; }
    wxTreeItemId RaBranch() const { return raBranch; }
    wxTreeItemId HdBranch() const { return hdBranch; }
    wxTreeItemId FolderItem(Folder folder) const { return folders[folder]; }
    bool IsSenderFolder(const wxTreeItemId& item) const;

    // Shows what one LoadServiceList call added to the model: the folders of list kind
    // `kind` from index `firstFolder` on and, for provider kinds, the whole "Sender"
    // folder again (sorted by OnCompareItems and renumbered). Returns the item of the
    // model's current-service match when it lies in the shown part, else invalid.
    wxTreeItemId ShowServiceList(const ServiceListModel& model, int kind, size_t firstFolder);

    // Removes everything below the nine folders (a complete reload).
    void ClearLists();

    // GENERAL/SortMode for recordings; set by the recordings branch.
    int sortMode = 0;

    static MyChannelItemData* DataOf(const wxTreeCtrl& tree, const wxTreeItemId& item);

protected:
    int OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) override;

private:
    wxTreeItemId AppendFolder(const wxTreeItemId& parent, const ChannelFolder& folder, bool tv);
    void RebuildSender(const std::vector<ChannelEntry>& sender, bool tv);

    wxTreeItemId rootItem, tvBranch, raBranch, hdBranch;
    std::array<wxTreeItemId, kFolderCount> folders;

    wxDECLARE_DYNAMIC_CLASS(MyTreeCtrl);
};

// A favourites menu of one TV bouquet for the video windows: entries with the help
// text "menu:entry", markers disabled with the marker image, services with IMG_VIDEO;
// an empty bouquet shows one placeholder entry " ".
wxMenu* BuildBouquetMenu(const BouquetMenu& menu);
