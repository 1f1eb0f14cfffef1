#include "ui/channel_tree.h"

#include <wx/imaglist.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "webif/service_sort.h"

wxIMPLEMENT_DYNAMIC_CLASS(MyTreeCtrl, wxTreeCtrl);

namespace {

const char* const kImageNames[kTreeImageCount] = {
    "IMG_TREE_TV_C", "IMG_TREE_RA_C", "IMG_TREE_HD_C", "IMG_TREE_TV_O", "IMG_TREE_RA_O",
    "IMG_TREE_HD_O", "IMG_TREE_TV",   "IMG_TREE_RA",   "IMG_TREE_HD",   "IMG_TREE_MARKER"};

void SetFolderImages(wxTreeCtrl& tree, const wxTreeItemId& item, int closed, int open) {
    tree.SetItemImage(item, closed, wxTreeItemIcon_Normal);
    tree.SetItemImage(item, closed, wxTreeItemIcon_Selected);
    tree.SetItemImage(item, open, wxTreeItemIcon_Expanded);
    tree.SetItemImage(item, open, wxTreeItemIcon_SelectedExpanded);
}

wxString TranslatedBranchFolder(int index) {
    switch (index) {
    case 0:
        return _("Eigene Listen");
    case 1:
        return _("Anbieter");
    case 2:
        return _("Sender");
    case 3:
        return _("Gesamt");
    case 4:
        return _("Genres");
    default:
        return _("Pfade");
    }
}

} // namespace

MyChannelItemData* MyTreeCtrl::DataOf(const wxTreeCtrl& tree, const wxTreeItemId& item) {
    if (!item.IsOk())
        return nullptr;
    return dynamic_cast<MyChannelItemData*>(tree.GetItemData(item));
}

void MyTreeCtrl::BuildFixedItems() {
    auto* images = new wxImageList(16, 16, true, kTreeImageCount);
    for (const char* name : kImageNames)
        images->Add(wxXmlResource::Get()->LoadBitmap(name));
    AssignImageList(images);

    rootItem = AddRoot("TREEROOT");
    struct Branch {
        wxTreeItemId* item;
        const char* label;
        int closed, open, firstFolder;
    };
    const Branch branches[] = {{&tvBranch, "TV", kImgTvClosed, kImgTvOpen, 0},
                               {&raBranch, "RA", kImgRaClosed, kImgRaOpen, 3},
                               {&hdBranch, "HD", kImgHdClosed, kImgHdOpen, 6}};
    for (const Branch& branch : branches) {
        *branch.item = AppendItem(rootItem, branch.label, branch.closed, branch.closed);
        SetFolderImages(*this, *branch.item, branch.closed, branch.open);
        SetItemBold(*branch.item);
        for (int i = 0; i < 3; ++i) {
            const int index = branch.firstFolder + i;
            wxTreeItemId folder =
                AppendItem(*branch.item, TranslatedBranchFolder(index), branch.closed, branch.closed);
            SetFolderImages(*this, folder, branch.closed, branch.open);
            SetItemBold(folder);
            folders[index] = folder;
        }
    }
}

bool MyTreeCtrl::IsSenderFolder(const wxTreeItemId& item) const {
    return item.IsOk() && (item == folders[kTvSender] || item == folders[kRaSender]);
}

wxTreeItemId MyTreeCtrl::AppendFolder(const wxTreeItemId& parent, const ChannelFolder& folder, bool tv) {
    const int closed = tv ? kImgTvClosed : kImgRaClosed;
    wxTreeItemId item = AppendItem(parent, folder.label, closed, closed, new MyChannelItemData(folder.data));
    SetFolderImages(*this, item, closed, tv ? kImgTvOpen : kImgRaOpen);
    return item;
}

wxTreeItemId MyTreeCtrl::ShowServiceList(const ServiceListModel& model, int kind, size_t firstFolder) {
    if (kind < 0 || kind > 3)
        return {};
    const bool tv = kind < 2;
    const bool providers = kind == 0 || kind == 2;
    const ServiceBranch& branch = tv ? model.tv : model.radio;
    const std::vector<ChannelFolder>& list = providers ? branch.providers : branch.bouquets;
    const wxTreeItemId parent =
        folders[tv ? (providers ? kTvProviders : kTvBouquets) : (providers ? kRaProviders : kRaBouquets)];
    const int serviceImage = tv ? kImgTv : kImgRa;
    const CurrentServiceMatch& match = model.current;
    const bool matchHere = match.found && match.kind == kind && match.folderIndex >= firstFolder;

    wxTreeItemId current;
    Freeze();
    for (size_t f = firstFolder; f < list.size(); ++f) {
        const ChannelFolder& folder = list[f];
        wxTreeItemId folderItem = AppendFolder(parent, folder, tv);
        for (size_t e = 0; e < folder.entries.size(); ++e) {
            const ChannelEntry& entry = folder.entries[e];
            wxTreeItemId item;
            if (entry.marker)
                item = AppendItem(folderItem, entry.label, kImgMarker, kImgMarker);
            else
                item = AppendItem(folderItem, entry.label, serviceImage, serviceImage,
                                  new MyChannelItemData(entry.data));
            if (matchHere && match.folderIndex == f && match.entryIndex == e)
                current = item;
        }
    }
    if (providers)
        RebuildSender(branch.sender, tv);
    Thaw();
    return current;
}

void MyTreeCtrl::RebuildSender(const std::vector<ChannelEntry>& sender, bool tv) {
    const wxTreeItemId folder = folders[tv ? kTvSender : kRaSender];
    DeleteChildren(folder);
    const int image = tv ? kImgTv : kImgRa;
    for (const ChannelEntry& entry : sender)
        AppendItem(folder, entry.label, image, image, new MyChannelItemData(entry.data));
    if (!ItemHasChildren(folder))
        return;
    SortChildren(folder);
    // Number the sorted copies 1..n behind their common prefix ("kind.3.").
    wxTreeItemIdValue cookie;
    int n = 0;
    for (wxTreeItemId child = GetFirstChild(folder, cookie); child.IsOk();
         child = GetNextChild(folder, cookie)) {
        MyChannelItemData* data = DataOf(*this, child);
        if (!data)
            continue;
        const int dot = data->positionCode.Find('.', true);
        const wxString prefix = dot == wxNOT_FOUND ? data->positionCode : data->positionCode.Left(dot);
        data->positionCode = wxString::Format("%s.%d", prefix, ++n);
    }
}

void MyTreeCtrl::ClearLists() {
    Freeze();
    for (const wxTreeItemId& folder : folders)
        if (folder.IsOk())
            DeleteChildren(folder);
    Thaw();
}

int MyTreeCtrl::OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) {
    // Channel items carry no date; recordings bring theirs with the recordings branch.
    const TreeSortKey a{GetItemText(first), DataOf(*this, first) != nullptr, 0};
    const TreeSortKey b{GetItemText(second), DataOf(*this, second) != nullptr, 0};
    return CompareTreeItems(a, b, IsSenderFolder(GetItemParent(first)), sortMode);
}

wxMenu* BuildBouquetMenu(const BouquetMenu& menu) {
    auto* result = new wxMenu;
    const wxBitmap markerImage = wxXmlResource::Get()->LoadBitmap("IMG_TREE_MARKER");
    if (menu.entries.empty()) {
        auto* placeholder = new wxMenuItem(result, wxID_ANY, " ");
        placeholder->SetBitmap(markerImage);
        result->Append(placeholder);
        return result;
    }
    const wxBitmap videoImage = wxXmlResource::Get()->LoadBitmap("IMG_VIDEO");
    for (const BouquetMenuEntry& entry : menu.entries) {
        auto* item = new wxMenuItem(result, wxID_ANY, entry.label, entry.help);
        item->SetBitmap(entry.marker ? markerImage : videoImage);
        result->Append(item);
        if (entry.marker)
            item->Enable(false);
    }
    return result;
}
