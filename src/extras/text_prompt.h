// The one way windows ask the user for a line of text (title "Tessaro E2"). Like the
// message helper, tests replace it to answer without a person.
#pragma once

#include <functional>

#include <wx/string.h>

class wxWindow;

// Shows `message` with `value` pre-filled; returns false when the user cancels,
// otherwise true with the entered text in `value`.
using TextPrompt = std::function<bool(const wxString& message, wxString& value, wxWindow* parent)>;

bool AskText(const wxString& message, wxString& value, wxWindow* parent);

// Installs a prompt and returns the previous one; an empty one restores the dialog.
TextPrompt SetTextPrompt(TextPrompt prompt);
