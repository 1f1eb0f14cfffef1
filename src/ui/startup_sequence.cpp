#include "ui/startup_sequence.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/tokenzr.h>

#include "webif/web_answer.h"

namespace {

constexpr long kLastUnsupportedVersion = 0x010601; // 1.6.1
constexpr const char* kTogglePower = "powerstate?newstate=0";

int LeadingDecimal(const wxString& part) {
    int value = 0;
    for (wxUniChar c : part) {
        if (c < '0' || c > '9')
            break;
        // Clamp instead of overflowing on absurdly long digit runs.
        if (value > 100000000)
            break;
        value = value * 10 + int(c.GetValue() - '0');
    }
    return value;
}

// True when the step failed and the start-up has to end.
bool Aborted(const StartupHost& host) {
    return host.AbortFlag();
}

} // namespace

WebIfVersion ParseWebIfVersion(const wxString& text) {
    WebIfVersion version;
    int* parts[] = {&version.major, &version.minor, &version.patch};
    wxStringTokenizer tokens(text, ".", wxTOKEN_RET_EMPTY_ALL);
    for (int* part : parts) {
        if (!tokens.HasMoreTokens())
            break;
        *part = LeadingDecimal(tokens.GetNextToken());
    }
    return version;
}

bool WebIfTooOld(const WebIfVersion& version) {
    return version.Code() <= kLastUnsupportedVersion;
}

DeviceInfoCheck CheckDeviceInfo(const wxString& answer) {
    DeviceInfoCheck check;
    ParsedAnswer parsed = ParseWebAnswer(answer, "e2deviceinfo");
    AnswerElement root = parsed.Root();
    if (!root.IsValid())
        return check;
    check.recognised = true;
    const wxString versionText = root.ChildText("e2webifversion");
    const wxString deviceName = root.ChildText("e2devicename");
    check.logLine = wxString::Format("%s [ WebIF %s ]", deviceName.Upper(), versionText);
    const WebIfVersion version = ParseWebIfVersion(versionText);
    if (WebIfTooOld(version))
        check.warning =
            wxString::Format(_("WebIF Version %d.%d.%d zu alt, mindestens Version %d.%d.%d erforderlich"),
                             version.major, version.minor, version.patch, 1, 6, 2);
    return check;
}

int SplashGaugeRange(int resourceRange, bool skipReceiverState, bool tvProviders, bool raProviders) {
    int range = resourceRange + 1;
    if (skipReceiverState)
        range -= 2;
    if (tvProviders)
        ++range;
    if (raProviders)
        ++range;
    return range;
}

int ItemTypeOfReference(const wxString& ref, int unchanged) {
    if (ref.StartsWith("1:0:0"))
        return 3;
    if (ref.StartsWith("1:0:1"))
        return 1;
    if (ref.StartsWith("1:0:2"))
        return 2;
    return unchanged;
}

bool RunStartupSequence(StartupHost& host, const StartupConfig& config) {
    // 1. Device information: the only request without a visible step.
    if (!host.Request("deviceinfo"))
        return false;
    const DeviceInfoCheck info = CheckDeviceInfo(host.Answer());
    if (info.recognised) {
        wxLogMessage("%s", info.logLine);
        if (!info.warning.empty())
            wxLogWarning("%s", info.warning);
    }

    host.Step(wxTRANSLATE(L"Fontcache überprüfen..."));
    host.InitFontCache();

    if (config.skipReceiverState) {
        ReceiverState& state = host.State();
        state.currentServiceRef = config.startServiceRef;
        state.currentItemType = ItemTypeOfReference(state.currentServiceRef, state.currentItemType);
    } else {
        host.Step(wxTRANSLATE(L"Standby-Status ermitteln..."));
        const bool standby = host.QueryStandby();
        host.SetReceiverInStandby(standby);
        if (Aborted(host))
            return false;
        // Toggling wakes the receiver so that it reports the service it will show.
        if (standby && !host.Request(kTogglePower))
            return false;

        host.Step(wxTRANSLATE(L"aktuellen Service ermitteln..."));
        host.QueryCurrentService();
        if (Aborted(host))
            return false;
        if (standby && !host.Request(kTogglePower))
            return false;
    }

    host.Step(wxTRANSLATE(L"TV-Bouquets laden..."));
    host.LoadServiceList(1, true);
    if (Aborted(host))
        return false;

    host.Step(wxTRANSLATE(L"RA-Bouquets laden..."));
    host.LoadServiceList(3, false);
    if (Aborted(host))
        return false;

    if (config.tvProviders) {
        host.Step(wxTRANSLATE(L"TV-Anbieter laden..."));
        host.LoadServiceList(0, false);
        if (Aborted(host))
            return false;
    }
    if (config.raProviders) {
        host.Step(wxTRANSLATE(L"RA-Anbieter laden..."));
        host.LoadServiceList(2, false);
        if (Aborted(host))
            return false;
    }

    host.Step(wxTRANSLATE(L"GStreamer initialisieren..."));
    if (!host.InitStreaming())
        return false;

    host.Step(wxTRANSLATE(L"Tessaro starten..."));
    host.ShowStartMode(config.startMode);
    host.SelectAndPlayCurrent();
    return true;
}
