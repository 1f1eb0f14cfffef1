#include "ui/subtitle_menu.h"

#include <algorithm>

#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

namespace {

constexpr size_t kFixedItems = 2; // "Deaktivieren" and the separator

} // namespace

void FillSubtitleMenu(wxMenu& menu, const std::vector<SubtitleChoice>& choices, int firstId) {
    while (menu.GetMenuItemCount() > kFixedItems)
        menu.Destroy(menu.FindItemByPosition(kFixedItems));
    bool anyChecked = false;
    const size_t count = std::min<size_t>(choices.size(), StreamInfo::kTrackSlots);
    for (size_t i = 0; i < count; ++i) {
        const SubtitleChoice& choice = choices[i];
        wxMenuItem* item = menu.AppendCheckItem(firstId + static_cast<int>(i), choice.label,
                                                wxString::Format("%d", choice.pid));
        item->Check(choice.checked);
        anyChecked = anyChecked || choice.checked;
    }
    if (wxMenuItem* off = menu.FindItem(XRCID("ID_MENUITEM_SUBTITLE_OFF")))
        off->Check(!anyChecked);
}

int SubtitleMenuPid(const wxMenu& menu, int id) {
    const wxMenuItem* item = menu.FindItem(id);
    long pid = 0;
    if (!item || !item->GetHelp().ToLong(&pid, 10) || pid <= 0 || pid > 0x1FFF)
        return 0;
    return static_cast<int>(pid);
}
