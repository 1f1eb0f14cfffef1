#include <functional>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings_store.h"

namespace {

// Only these names "resolve"; tests never ask a name server.
bool FakeResolver(const wxString& host) {
    static const std::set<wxString> known = {"10.0.0.1", "box.local"};
    return known.count(host) > 0;
}

ReceiverProfile Good(const char* name) {
    return ReceiverProfile{name, "box.local", "root", "pw", 80, 8001, 0};
}

struct ValidationCase {
    const char* what;
    std::function<void(AppSettings&)> change;
    wxString message; // empty: valid
};

TEST(SettingsValidation, ChecksRunInOrderWithTheirMessages) {
    const wxString incomplete =
        wxString::FromUTF8("Das Profil \"B\" ist unvollständig.\n\nBitte alle Felder ausfüllen!");
    const std::vector<ValidationCase> cases = {
        {"all fine", [](AppSettings&) {}, ""},
        {"empty password", [](AppSettings& s) { s.profiles[1].Pass = ""; }, incomplete},
        {"zero stream port", [](AppSettings& s) { s.profiles[1].SPort = 0; }, incomplete},
        {"incomplete wins over bad host",
         [](AppSettings& s) {
             s.profiles[1].Host = "nirgendwo";
             s.profiles[1].User = "";
         },
         incomplete},
        {"unknown host", [](AppSettings& s) { s.profiles[1].Host = "nirgendwo"; },
         wxString::FromUTF8("Ungültige Adresse für Profil \"B\":\n\nnirgendwo")},
        {"web port checked before stream port",
         [](AppSettings& s) {
             s.profiles[1].WPort = 70000;
             s.profiles[1].SPort = -1;
         },
         wxString::FromUTF8("Ungültiger Port für Profil \"B\":\n\n70000")},
        {"negative stream port", [](AppSettings& s) { s.profiles[1].SPort = -1; },
         wxString::FromUTF8("Ungültiger Port für Profil \"B\":\n\n-1")},
        {"first bad profile in list order is reported",
         [](AppSettings& s) {
             s.profiles[0].Pass = "";
             s.profiles[1].Pass = "";
         },
         wxString::FromUTF8("Das Profil \"A\" ist unvollständig.\n\nBitte alle Felder ausfüllen!")},
        {"slots beyond the list are not checked",
         [](AppSettings& s) { s.profiles[2] = ReceiverProfile{"C", "", "", "", 0, 0, 0}; }, ""},
        {"profile error before proxy error",
         [](AppSettings& s) {
             s.profiles[0].Pass = "";
             s.proxy.Mode = true;
         },
         wxString::FromUTF8("Das Profil \"A\" ist unvollständig.\n\nBitte alle Felder ausfüllen!")},
        {"proxy off is not checked",
         [](AppSettings& s) {
             s.proxy = {"", 0, "", "", false};
         },
         ""},
        {"proxy incomplete",
         [](AppSettings& s) {
             s.proxy = {"proxy", 3128, "u", "", true};
         },
         wxString::FromUTF8("Die Proxy-Einstellungen sind unvollständig.\n\nBitte alle Felder ausfüllen!")},
        {"proxy without port",
         [](AppSettings& s) {
             s.proxy = {"proxy", 0, "u", "p", true};
         },
         wxString::FromUTF8("Die Proxy-Einstellungen sind unvollständig.\n\nBitte alle Felder ausfüllen!")},
        {"proxy port too large",
         [](AppSettings& s) {
             s.proxy = {"proxy", 65536, "u", "p", true};
         },
         wxString::FromUTF8("Ungültiger Proxy-Port!")},
        {"proxy complete",
         [](AppSettings& s) {
             s.proxy = {"proxy", 65535, "u", "p", true};
         },
         ""},
    };
    for (const ValidationCase& c : cases) {
        AppSettings s;
        s.profiles[0] = Good("A");
        s.profiles[1] = Good("B");
        s.profileCount = 2;
        c.change(s);
        wxString message = "unchanged";
        const bool ok = ValidateSettingsForApply(s, message, FakeResolver);
        EXPECT_EQ(ok, c.message.empty()) << c.what;
        if (!c.message.empty()) {
            EXPECT_EQ(message, c.message) << c.what;
        }
    }
}

TEST(SettingsValidation, RealResolverAcceptsLiteralAddressesAndLocalhost) {
    EXPECT_TRUE(ResolvesToIPv4("127.0.0.1"));
    EXPECT_TRUE(ResolvesToIPv4("192.168.178.20"));
    EXPECT_TRUE(ResolvesToIPv4("localhost"));
    EXPECT_FALSE(ResolvesToIPv4(""));
}

} // namespace
