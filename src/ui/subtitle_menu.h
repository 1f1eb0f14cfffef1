// The "Untertitel" submenu, as the main window's menu bar and the video windows'
// menus carry it: "Deaktivieren" (ID_MENUITEM_SUBTITLE_OFF), a separator, then one
// check item per subtitle stream of the playing stream, labelled with its language
// and carrying its PID as help text.
#pragma once

#include <vector>

#include "stream/audio_controls.h"

class wxMenu;

// Replaces the items after the first two by the choices; choice i gets the id
// firstId + i (at most StreamInfo::kTrackSlots of them). "Deaktivieren" is checked
// when no choice is.
void FillSubtitleMenu(wxMenu& menu, const std::vector<SubtitleChoice>& choices, int firstId);
// The PID the item with this id carries in its help text; 0 when it carries none.
int SubtitleMenuPid(const wxMenu& menu, int id);
