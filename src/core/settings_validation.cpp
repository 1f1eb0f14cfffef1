#include <algorithm>

#include <wx/intl.h>
#include <wx/socket.h>

#include "core/settings_store.h"

namespace {

bool IsPort(long port) {
    return port >= 1 && port <= 65535;
}

bool CheckProfile(const ReceiverProfile& p, wxString& message, const HostResolver& resolver) {
    if (p.Host.empty() || p.User.empty() || p.Pass.empty() || p.WPort == 0 || p.SPort == 0) {
        message = wxString::Format(_(L"Das Profil \"%s\" ist unvollständig.\n\nBitte alle Felder ausfüllen!"),
                                   p.Name);
        return false;
    }
    if (!resolver(p.Host)) {
        message = wxString::Format(_(L"Ungültige Adresse für Profil \"%s\":\n\n%s"), p.Name, p.Host);
        return false;
    }
    for (const long port : {p.WPort, p.SPort}) {
        if (!IsPort(port)) {
            message = wxString::Format(_(L"Ungültiger Port für Profil \"%s\":\n\n%d"), p.Name,
                                       static_cast<int>(port));
            return false;
        }
    }
    return true;
}

bool CheckProxy(const AppSettings::Proxy& proxy, wxString& message) {
    if (proxy.Host.empty() || proxy.Port == 0 || proxy.User.empty() || proxy.Pass.empty()) {
        message = _(L"Die Proxy-Einstellungen sind unvollständig.\n\nBitte alle Felder ausfüllen!");
        return false;
    }
    if (!IsPort(proxy.Port)) {
        message = _(L"Ungültiger Proxy-Port!");
        return false;
    }
    return true;
}

} // namespace

bool ResolvesToIPv4(const wxString& host) {
    if (host.empty())
        return false;
    wxIPV4address address;
    return address.Hostname(host);
}

bool ValidateSettingsForApply(const AppSettings& candidate, wxString& message) {
    return ValidateSettingsForApply(candidate, message, ResolvesToIPv4);
}

bool ValidateSettingsForApply(const AppSettings& candidate, wxString& message, const HostResolver& resolver) {
    const int count = std::clamp(candidate.profileCount, 0, AppSettings::kProfileSlots);
    for (int i = 0; i < count; ++i) {
        if (!CheckProfile(candidate.profiles[i], message, resolver))
            return false;
    }
    if (candidate.proxy.Mode && !CheckProxy(candidate.proxy, message))
        return false;
    message.clear();
    return true;
}
