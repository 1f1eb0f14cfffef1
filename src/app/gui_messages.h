// The message helper's real output: modal message boxes titled "Tessaro E2".
#pragma once

#include "core/message.h"

class wxWindow;

// One box with the icon of its kind; questions get Yes/No and return wxYES or wxNO.
int ShowMessageBox(const wxString& text, MessageIcon icon, wxWindow* parent);

// Makes ShowMessage open real message boxes.
void InstallGuiMessageHandler();
