#include "ui/play_logic.h"

#include <algorithm>

#include <wx/datetime.h>
#include <wx/intl.h>

#include "core/settings.h"
#include "webif/url_escape.h"

namespace {

constexpr std::int64_t kSecond = 1000000000;

wxString Escaped(const wxString& text) {
    return wxString::FromUTF8(UrlEscape(text));
}

} // namespace

wxString LiveStreamUrl(const ReceiverProfile& profile, const ServiceRef& ref) {
    return wxString::Format("http://%s:%ld/%s", profile.Host, profile.SPort,
                            wxString::FromUTF8(ref.Escaped()));
}

wxString RecordingStreamUrl(const ReceiverProfile& profile, const wxString& path) {
    return wxString::Format("%s://%s:%ld/file?file=/%s", profile.Https ? "https" : "http", profile.Host,
                            profile.WPort, Escaped(path));
}

wxString RecordingInfoLabel(const wxString& begin) {
    long long seconds = 0;
    if (!begin.ToLongLong(&seconds))
        seconds = 0;
    const wxDateTime::Tm t = wxDateTime(static_cast<time_t>(seconds)).GetTm();
    return wxString::Format(_(" Programminfo [ Aufnahme vom %.2d.%.2d.%.4d um %.2d:%.2d ] "), t.mday,
                            t.mon + 1, t.year, t.hour, t.min);
}

wxString BracketText(const wxString& label) {
    const int open = label.Find('[', true);
    const int close = label.Find(']', true);
    if (open == wxNOT_FOUND || close == wxNOT_FOUND || close < open)
        return wxString();
    return label.Mid(open + 1, close - open - 1);
}

wxString ClockText(std::int64_t nanoseconds) {
    if (nanoseconds < 0)
        return "99h:99m:99s";
    const std::int64_t seconds = nanoseconds / kSecond;
    return wxString::Format("%uh:%02um:%02us", static_cast<unsigned>(seconds / 3600),
                            static_cast<unsigned>((seconds / 60) % 60), static_cast<unsigned>(seconds % 60));
}

wxString PositionText(std::int64_t position, std::int64_t duration) {
    return ClockText(position) + " / " + ClockText(duration);
}

int ProgressPercent(std::int64_t position, std::int64_t duration) {
    if (duration <= 0 || position < 0)
        return 0;
    // A position past the end (duration estimates grow while playing) stays at 100.
    return static_cast<int>(std::min<std::int64_t>(100, position * 100 / duration));
}

std::int64_t GaugeSeekTarget(int x, int width, std::int64_t duration) {
    if (width <= 0 || duration <= 0)
        return -1;
    const double fraction = std::clamp((x * 100.0 / width) / 100.0, 0.0, 1.0);
    return static_cast<std::int64_t>(fraction * static_cast<double>(duration));
}

std::int64_t SkipTarget(std::int64_t position, std::int64_t duration, long skipSeconds, bool forward) {
    const std::int64_t step = static_cast<std::int64_t>(skipSeconds) * kSecond;
    if (!forward)
        return std::max<std::int64_t>(0, position - step);
    return std::min(duration, position + step);
}

namespace {

int Step(const std::vector<SiblingInfo>& siblings, int from, bool forward) {
    const int count = static_cast<int>(siblings.size());
    if (!forward)
        return from > 0 ? from - 1 : count - 1;
    const int next = from + 1;
    return next < count && !siblings[next].hasChildren ? next : 0;
}

} // namespace

int NeighbourService(const std::vector<SiblingInfo>& siblings, int current, bool forward) {
    const int count = static_cast<int>(siblings.size());
    if (count == 0)
        return -1;
    int at = std::clamp(current, 0, count - 1);
    // Every entry is visited at most once: a bouquet of markers only ends the walk.
    for (int visited = 0; visited < count; ++visited) {
        at = Step(siblings, at, forward);
        if (!siblings[at].marker)
            return at;
    }
    return -1;
}

int NeighbourMarker(const std::vector<SiblingInfo>& siblings, int current, bool forward) {
    const int count = static_cast<int>(siblings.size());
    if (count == 0)
        return -1;
    const int first = Step(siblings, std::clamp(current, 0, count - 1), forward);
    int at = first;
    // Bounded as well: an entry with children can make the walk cycle without first.
    for (int visited = 0; visited < count; ++visited) {
        if (siblings[at].marker)
            return at;
        at = Step(siblings, at, forward);
        if (at == first)
            break;
    }
    return first;
}
