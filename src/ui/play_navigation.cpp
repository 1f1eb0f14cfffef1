// MyMainFrame: moving between services (previous/next with wrap and marker skip,
// markers, rezap) and the position, seek and skip of a playing recording.
#include <wx/gauge.h>
#include <wx/xrc/xmlres.h>

#include "core/settings.h"
#include "stream/player.h"
#include "ui/main_frame.h"

namespace {

std::vector<SiblingInfo> SiblingsOf(const wxTreeCtrl& tree, const wxTreeItemId& item,
                                    std::vector<wxTreeItemId>& ids, int& index) {
    std::vector<SiblingInfo> siblings;
    const wxTreeItemId parent = tree.GetItemParent(item);
    if (!parent.IsOk())
        return siblings;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(parent, cookie); child.IsOk();
         child = tree.GetNextChild(parent, cookie)) {
        if (child == item)
            index = static_cast<int>(ids.size());
        ids.push_back(child);
        siblings.push_back({tree.GetItemImage(child) == kImgMarker, tree.ItemHasChildren(child)});
    }
    return siblings;
}

// The next or previous service (markers skipped) or marker beside the tree's
// selection; not ok when there is none.
wxTreeItemId NeighbourOfSelection(const wxTreeCtrl& tree, bool forward, bool marker) {
    const wxTreeItemId selection = tree.GetSelection();
    if (!selection.IsOk())
        return {};
    std::vector<wxTreeItemId> ids;
    int index = -1;
    const auto siblings = SiblingsOf(tree, selection, ids, index);
    const int target =
        marker ? NeighbourMarker(siblings, index, forward) : NeighbourService(siblings, index, forward);
    return target >= 0 ? ids[target] : wxTreeItemId();
}

} // namespace

void MyMainFrame::OnServiceButton(wxCommandEvent& event) {
    StepInBouquet(event.GetId() == XRCID("ID_BUTTON_NEXT_SERVICE"));
}

void MyMainFrame::StepInBouquet(bool forward) {
    if (currentTreeItem.IsOk())
        tree->SelectItem(currentTreeItem);
    // Markers are skipped in one go; a bouquet of markers only has nothing to play.
    const wxTreeItemId target = NeighbourOfSelection(*tree, forward, false);
    if (!target.IsOk())
        return;
    tree->SelectItem(target);
    const MyChannelItemData* data = MyTreeCtrl::DataOf(*tree, target);
    if (!data)
        return;
    previousTreeItem = currentTreeItem;
    currentTreeItem = target;
    PlayService(*data);
}

void MyMainFrame::OnMarkerButton(wxCommandEvent& event) {
    const wxTreeItemId target =
        NeighbourOfSelection(*tree, event.GetId() == XRCID("ID_BUTTON_NEXT_MARKER"), true);
    if (target.IsOk())
        tree->SelectItem(target);
}

void MyMainFrame::OnRezap(wxCommandEvent&) {
    MovieItemData item;
    item.kind = previousItemType;
    item.sRef = previousServiceRef;
    item.title = lastRecordingTitle;
    item.description = lastRecordingDescription;
    item.begin = lastRecordingBegin;
    if (previousTreeItem.IsOk())
        tree->SelectItem(previousTreeItem);
    spareTreeItem = previousTreeItem;
    previousTreeItem = currentTreeItem;
    currentTreeItem = spareTreeItem;
    PlayService(item);
}

void MyMainFrame::ConnectProgressSeek(bool connect) {
    if (connect == progressSeekConnected)
        return;
    progressSeekConnected = connect;
    if (connect) {
        progressGauge->Bind(wxEVT_LEFT_DOWN, &MyMainFrame::OnProgressMouse, this);
        progressGauge->Bind(wxEVT_MOTION, &MyMainFrame::OnProgressMouse, this);
    } else {
        progressGauge->Unbind(wxEVT_LEFT_DOWN, &MyMainFrame::OnProgressMouse, this);
        progressGauge->Unbind(wxEVT_MOTION, &MyMainFrame::OnProgressMouse, this);
    }
}

void MyMainFrame::OnProgressMouse(wxMouseEvent& event) {
    event.Skip();
    if (!event.LeftIsDown() && !event.LeftDown())
        return;
    std::int64_t position = 0, duration = 0;
    if (!QueryPositionAndDuration(position, duration))
        return;
    const std::int64_t target = GaugeSeekTarget(event.GetX(), progressGauge->GetSize().x, duration);
    if (target >= 0)
        SeekTo(target, false);
}

void MyMainFrame::OnSkip(wxCommandEvent& event) {
    std::int64_t position = 0, duration = 0;
    if (!QueryPositionAndDuration(position, duration))
        return;
    const bool forward = event.GetId() == XRCID("ID_TOOL_FWD");
    SeekTo(SkipTarget(position, duration, settings.general.SkipTime, forward), true);
}

void MyMainFrame::SeekTo(std::int64_t target, bool keyUnit) {
    player.Seek(target, keyUnit);
}

void MyMainFrame::OnPositionTimer() {
    std::int64_t position = 0, duration = 0;
    if (!QueryPositionAndDuration(position, duration))
        return;
    progressGauge->SetRange(100);
    progressGauge->SetValue(ProgressPercent(position, duration));
    SetStaticText(5, PositionText(position, duration));
}
