// KeyCommandEvent: every key press of the program, turned by MyApp::FilterEvent into
// a command event whose id is the key code (27 Escape, 340 F1, letters upper case),
// processed first by the window that received the key and then by its parents.
//
// Windows react to keys only in a handler of this event. A handler that does not use
// the key calls Skip(): the key then reaches the native control as usual, which is
// how text fields keep receiving what the user types.
#pragma once

#include <wx/event.h>

wxDECLARE_EVENT(KeyCommandEvent, wxCommandEvent);
