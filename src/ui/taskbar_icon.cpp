#include "ui/taskbar_icon.h"

#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

wxMenu* MyTaskBarIcon::CreatePopupMenu() {
    return wxXmlResource::Get()->LoadMenu("ID_MENU_TASKBAR");
}
