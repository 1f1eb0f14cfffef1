// Pure parts of the receiver client: addresses, status texts, proxy rule, body decoding.
#include <wx/intl.h>
#include <wx/log.h>

#include "webif/receiver_client.h"

namespace {
std::string To8Bit(const wxString& s) {
    const wxScopedCharBuffer buf = s.utf8_str();
    return std::string(buf.data(), buf.length());
}
} // namespace

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
    if (!p.InUse())
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

void LogUnreadableAnswer(const std::string& command) {
    wxLogError(_("Unlesbare Antwort des Receivers auf \"%s\""), wxString::FromUTF8(command.c_str()));
}
