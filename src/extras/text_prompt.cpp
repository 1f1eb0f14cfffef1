#include "extras/text_prompt.h"

#include <wx/textdlg.h>

namespace {
TextPrompt& CurrentPrompt() {
    static TextPrompt prompt;
    return prompt;
}

bool AskWithDialog(const wxString& message, wxString& value, wxWindow* parent) {
    wxTextEntryDialog dialog(parent, message, "Tessaro E2", value);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    value = dialog.GetValue();
    return true;
}
} // namespace

bool AskText(const wxString& message, wxString& value, wxWindow* parent) {
    if (CurrentPrompt())
        return CurrentPrompt()(message, value, parent);
    return AskWithDialog(message, value, parent);
}

TextPrompt SetTextPrompt(TextPrompt prompt) {
    TextPrompt previous = std::move(CurrentPrompt());
    CurrentPrompt() = std::move(prompt);
    return previous;
}
