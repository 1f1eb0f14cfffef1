// Deprecated: the blocking request on a process-wide context that the windows still use
// until they hold a ReceiverClient. Built on ReceiverClient::Get; new code uses that.
#pragma once

#include <string>

#include <wx/string.h>

#include "webif/receiver_client.h"

class wxWindow;
struct AppSettings;

// What WebRequest reads and writes besides its argument. The start-up code fills
// debugDump, dataDir and messageParent.
struct WebContext {
    const AppSettings* settings = nullptr; // nullptr: Settings()
    bool debugDump = false;                // append requests and bodies to "tessaro.dbg"
    wxString dataDir;                      // empty: Paths().dataDir
    bool startupReporting = false;         // failures also shown in message boxes
    bool startupAbort = false;             // set to !result while startupReporting
    wxWindow* messageParent = nullptr;     // the splash window during start-up
    wxString answer;                       // body of the last request
};

WebContext& Web();
// The body of the last request (empty after a transport error).
inline const wxString& WebAnswer() {
    return Web().answer;
}

// GET "/web/" + command (already escaped by the caller) from the active profile.
// True for HTTP 200 and 204.
bool WebRequest(const std::string& command);
