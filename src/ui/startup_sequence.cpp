#include "ui/startup_sequence.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/tokenzr.h>

#include "webif/service_ref.h"
#include "webif/state_queries.h"
#include "webif/web_answer.h"
#include "webif/web_commands.h"

namespace {

constexpr long kLastUnsupportedVersion = 0x010601; // 1.6.1

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
    const ItemKind kind = ServiceRef(ref).Kind();
    return kind == kKindFolder ? unchanged : kind;
}

void StartupSequence::Start() {
    // Device information: the only request without a visible step.
    host_.Request(DeviceInfoCommand(), [this](const WebReply& reply) { OnDeviceInfo(reply); });
}

void StartupSequence::Fail(const WebReply& reply) {
    host_.ReportFailure(reply);
    host_.Finished(false);
}

void StartupSequence::OnDeviceInfo(const WebReply& reply) {
    if (!reply.Ok())
        return Fail(reply);
    const DeviceInfoCheck info = CheckDeviceInfo(reply.body);
    if (info.recognised) {
        wxLogMessage("%s", info.logLine);
        if (!info.warning.empty())
            wxLogWarning("%s", info.warning);
    }
    host_.Step(wxTRANSLATE(L"Fontcache überprüfen..."), [this] {
        host_.InitFontCache();
        QueryReceiverState();
    });
}

void StartupSequence::QueryReceiverState() {
    if (config_.skipReceiverState) {
        ::ReceiverState& state = host_.State();
        state.currentServiceRef = config_.startServiceRef;
        state.currentItemType = ItemTypeOfReference(state.currentServiceRef, state.currentItemType);
        return LoadLists();
    }
    host_.Step(wxTRANSLATE(L"Standby-Status ermitteln..."), [this] {
        host_.Request(PowerStateCommand(-1), [this](const WebReply& reply) { OnStandby(reply); });
    });
}

void StartupSequence::OnStandby(const WebReply& reply) {
    standby_ = false;
    if (reply.Ok() && !ParseStandby(reply.body, standby_))
        LogUnreadableAnswer(reply.command);
    host_.SetReceiverInStandby(standby_);
    if (!reply.Ok())
        return Fail(reply);
    // Toggling wakes the receiver so that it reports the service it will show.
    if (standby_)
        ToggleStandbyThen([this] { QueryCurrent(); });
    else
        QueryCurrent();
}

void StartupSequence::ToggleStandbyThen(Continue next) {
    host_.Request(PowerStateCommand(0), [this, next = std::move(next)](const WebReply& reply) {
        if (!reply.Ok())
            return Fail(reply);
        next();
    });
}

void StartupSequence::QueryCurrent() {
    host_.Step(wxTRANSLATE(L"aktuellen Service ermitteln..."), [this] {
        host_.Request(CurrentServiceCommand(), [this](const WebReply& reply) { OnCurrent(reply); });
    });
}

void StartupSequence::OnCurrent(const WebReply& reply) {
    if (!reply.Ok())
        return Fail(reply);
    if (!ApplyCurrentService(reply.body, host_.State()))
        LogUnreadableAnswer(reply.command);
    if (standby_)
        ToggleStandbyThen([this] { LoadLists(); });
    else
        LoadLists();
}

void StartupSequence::LoadLists() {
    lists_ = {{1, wxTRANSLATE(L"TV-Bouquets laden...")}, {3, wxTRANSLATE(L"RA-Bouquets laden...")}};
    if (config_.tvProviders)
        lists_.emplace_back(0, wxTRANSLATE(L"TV-Anbieter laden..."));
    if (config_.raProviders)
        lists_.emplace_back(2, wxTRANSLATE(L"RA-Anbieter laden..."));
    LoadList(0);
}

void StartupSequence::LoadList(std::size_t index) {
    if (index == lists_.size())
        return Launch();
    host_.Step(lists_[index].second, [this, index] {
        host_.LoadServiceList(lists_[index].first, index == 0, [this, index](const WebReply* failure) {
            if (failure)
                return Fail(*failure);
            LoadList(index + 1);
        });
    });
}

void StartupSequence::Launch() {
    host_.Step(wxTRANSLATE(L"GStreamer initialisieren..."), [this] {
        if (!host_.InitStreaming())
            return host_.Finished(false);
        host_.Step(wxTRANSLATE(L"Tessaro starten..."), [this] {
            host_.ShowStartMode(config_.startMode);
            host_.SelectAndPlayCurrent();
            host_.Finished(true);
        });
    });
}
