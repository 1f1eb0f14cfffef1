// The one blocking request to the receiver's web interface ("/web/<command>") and the
// state it shares with its callers: the answer text and the start-up flags.
#pragma once

#include <string>

#include <wx/string.h>

class wxWindow;
struct AppSettings;
struct ReceiverProfile;

// What WebRequest reads and writes besides its argument. The start-up code fills
// debugDump, dataDir and messageParent; tests point settings at their own record.
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
// True for HTTP 200 and 204. Verbose lines go through wxLogVerbose.
bool WebRequest(const std::string& command);

// --- Pure parts, tested without a network ---

// "http[s]://host:port/web/command". Credentials never appear in it (basic auth is
// passed separately), so it is safe to log and dump.
std::string BuildWebAddress(const ReceiverProfile& profile, const std::string& command);

// Result of an HTTP status and the message shown for it in start-up reporting
// (empty for success).
struct WebStatusOutcome {
    bool ok = false;
    wxString message;
};
WebStatusOutcome EvaluateWebStatus(long status, const std::string& address);

// "NET ERR #07 (Couldn't connect to server)".
wxString NetErrorLine(int code, const wxString& errorText);
// The start-up message for a transport error.
wxString ConnectionFailedMessage(const ReceiverProfile& profile, const wxString& errorText,
                                 const wxString& configPath);

// The proxy as libcurl wants it ("host:port"), empty when it is off or incomplete.
std::string ProxyAddress(const AppSettings& settings);

// Body bytes as text: UTF-8 when valid, otherwise read as ISO-8859-1 so that
// nothing is lost.
wxString DecodeAnswerBody(const std::string& bytes);
