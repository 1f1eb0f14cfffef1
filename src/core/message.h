// The one way the program shows message boxes (title "Tessaro E2"). The GUI installs
// a handler that opens real boxes; tests install one that records the text and answers.
#pragma once

#include <functional>

#include <wx/string.h>

class wxWindow;

enum class MessageIcon { Error, Exclamation, Information, Question };

// Returns wxOK for plain messages and wxYES / wxNO for questions (Yes/No buttons).
using MessageHandler = std::function<int(const wxString& text, MessageIcon icon, wxWindow* parent)>;

int ShowMessage(const wxString& text, MessageIcon icon, wxWindow* parent = nullptr);

// Installs a handler and returns the previous one. Without a handler, messages go to
// the log and questions are answered with wxNO.
MessageHandler SetMessageHandler(MessageHandler handler);
