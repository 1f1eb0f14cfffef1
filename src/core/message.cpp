#include "core/message.h"

#include <wx/defs.h>
#include <wx/log.h>

namespace {
MessageHandler& CurrentHandler() {
    static MessageHandler handler;
    return handler;
}
} // namespace

int ShowMessage(const wxString& text, MessageIcon icon, wxWindow* parent) {
    if (CurrentHandler())
        return CurrentHandler()(text, icon, parent);
    wxLogMessage("%s", text);
    return icon == MessageIcon::Question ? wxNO : wxOK;
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
