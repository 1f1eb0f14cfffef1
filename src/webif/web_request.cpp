#include "webif/web_request.h"

#include <cstdio>
#include <mutex>

#include <curl/curl.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"

WebContext& Web() {
    static WebContext context;
    return context;
}

namespace {

const AppSettings& CurrentSettings() {
    return Web().settings ? *Web().settings : Settings();
}

wxString DataDir() {
    return Web().dataDir.empty() ? Paths().dataDir : Web().dataDir;
}

std::string To8Bit(const wxString& s) {
    const wxScopedCharBuffer buf = s.utf8_str();
    return std::string(buf.data(), buf.length());
}

// Appends to "tessaro.dbg" for the duration of one request.
class DebugDump {
public:
    explicit DebugDump(bool on) {
        if (on)
            file_ = std::fopen((DataDir() + "tessaro.dbg").utf8_str(), "ab");
    }
    ~DebugDump() {
        if (file_)
            std::fclose(file_);
    }
    DebugDump(const DebugDump&) = delete;
    DebugDump& operator=(const DebugDump&) = delete;
    void Write(const char* data, size_t size) {
        if (file_)
            std::fwrite(data, 1, size, file_);
    }
    void Header(const std::string& address) {
        std::string h = "\n##### " + address + " #####\n\n";
        Write(h.data(), h.size());
    }

private:
    std::FILE* file_ = nullptr;
};

struct Transfer {
    std::string body;
    DebugDump* dump = nullptr;
};

size_t OnData(char* data, size_t size, size_t count, void* target) {
    auto* t = static_cast<Transfer*>(target);
    const size_t n = size * count;
    t->body.append(data, n);
    t->dump->Write(data, n);
    return n;
}

void SetProxy(CURL* curl, const AppSettings& s) {
    const std::string proxy = ProxyAddress(s);
    // An empty proxy keeps libcurl from taking one from the environment.
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    if (!proxy.empty()) {
        const std::string cred = To8Bit(s.proxy.User + ":" + s.proxy.Pass);
        curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, cred.c_str());
    }
}

void SetOptions(CURL* curl, const std::string& address, const std::string& userPwd, Transfer& transfer,
                char* errorText) {
    const AppSettings& s = CurrentSettings();
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PORT, s.ActiveProfile().WPort);
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl, CURLOPT_USERPWD, userPwd.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    // Receivers use self-signed certificates.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    SetProxy(curl, s);
}

void Report(const wxString& message) {
    if (Web().startupReporting && !message.empty())
        ShowMessage(message, MessageIcon::Error, Web().messageParent);
}

bool ReportTransportError(CURLcode code, const char* errorText) {
    wxString text =
        errorText[0] ? wxString::FromUTF8(errorText) : wxString::FromUTF8(curl_easy_strerror(code));
    wxLogError("%s", NetErrorLine(static_cast<int>(code), text));
    Report(ConnectionFailedMessage(CurrentSettings().ActiveProfile(), text, DataDir() + "tessaro.cfg"));
    return false;
}

bool Perform(CURL* curl, const std::string& address) {
    const ReceiverProfile& profile = CurrentSettings().ActiveProfile();
    const std::string userPwd = To8Bit(profile.User + ":" + profile.Pass);
    char errorText[CURL_ERROR_SIZE] = {};
    DebugDump dump(Web().debugDump);
    dump.Header(address);
    Transfer transfer;
    transfer.dump = &dump;
    SetOptions(curl, address, userPwd, transfer, errorText);
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK)
        return ReportTransportError(code, errorText);
    long status = 0;
    curl_off_t bytes = 0;
    double seconds = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME, &seconds);
    wxLogVerbose("Verbose: %s HTTP %ld (%.0f Byte in %.3f Sekunden)", address, status,
                 static_cast<double>(bytes), seconds);
    Web().answer = DecodeAnswerBody(transfer.body);
    const WebStatusOutcome outcome = EvaluateWebStatus(status, address);
    Report(outcome.message);
    return outcome.ok;
}

bool RunRequest(const std::string& command) {
    static std::once_flag init;
    std::call_once(init, [] { curl_global_init(CURL_GLOBAL_ALL); });
    const std::string address = BuildWebAddress(CurrentSettings().ActiveProfile(), command);
    wxLogVerbose("Verbose: HTTP GET (%s)", address);
    CURL* curl = curl_easy_init();
    if (!curl) {
        Report(_("Das Netzwerk konnte nicht initialisiert werden!"));
        return false;
    }
    const bool ok = Perform(curl, address);
    curl_easy_cleanup(curl);
    return ok;
}

} // namespace

bool WebRequest(const std::string& command) {
    Web().answer.clear();
    const bool ok = RunRequest(command);
    if (Web().startupReporting)
        Web().startupAbort = !ok;
    return ok;
}

std::string BuildWebAddress(const ReceiverProfile& profile, const std::string& command) {
    std::string address = profile.Https ? "https://" : "http://";
    address += To8Bit(profile.Host);
    address += ":" + std::to_string(profile.WPort) + "/web/" + command;
    return address;
}

WebStatusOutcome EvaluateWebStatus(long status, const std::string& address) {
    if (status == 200 || status == 204)
        return {true, {}};
    if (status == 401)
        return {false, _("Der Zugriff auf das WebInterface wurde verweigert!\n\nBitte Benutzer und Kennwort "
                         "überprüfen...\n")};
    if (status == 404)
        return {false,
                wxString::Format(_("Die angeforderte Seite\n\n%s\n\nwurde nicht gefunden!\n\nBitte die "
                                   "Version des WebInterface überprüfen...\n"),
                                 wxString::FromUTF8(address))};
    return {false, wxString::Format(_("Der Zugriff wurde mit Fehlercode HTTP %d abgewiesen!"),
                                    static_cast<int>(status))};
}

wxString NetErrorLine(int code, const wxString& errorText) {
    return wxString::Format("NET ERR #%.2d (%s)", code, errorText);
}

wxString ConnectionFailedMessage(const ReceiverProfile& profile, const wxString& errorText,
                                 const wxString& configPath) {
    return wxString::Format(
        _("Die Verbindung zu \"%s://%s:%d\" konnte nicht hergestellt werden!\n\n\tFehlerursache: "
          "\"%s\"\n\nBitte die Netzwerkkonfiguration unter\n\n\t\"%s\"\n\nüberprüfen oder mit dem "
          "Parameter \"--config\" erneut starten..."),
        profile.Https ? "https" : "http", profile.Host, static_cast<int>(profile.WPort), errorText,
        configPath);
}

std::string ProxyAddress(const AppSettings& s) {
    const auto& p = s.proxy;
    const bool usable = !p.Host.empty() && !p.User.empty() && !p.Pass.empty() && p.Port != 0;
    if (!p.Mode || !usable)
        return {};
    return To8Bit(p.Host) + ":" + std::to_string(p.Port);
}

wxString DecodeAnswerBody(const std::string& bytes) {
    if (bytes.empty())
        return {};
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return text;
}
