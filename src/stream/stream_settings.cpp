#include "stream/stream_settings.h"

#include <algorithm>

#include "core/options.h"
#include "core/settings.h"

namespace {

std::string Utf8(const wxString& text) {
    return std::string(text.utf8_str());
}

} // namespace

SourceProxy SourceProxyOf(const AppSettings& settings) {
    const auto& p = settings.proxy;
    SourceProxy proxy;
    if (!p.InUse())
        return proxy;
    proxy.use = true;
    proxy.address = Utf8(wxString::Format("%s:%ld", p.Host, p.Port));
    const wxCharBuffer user = p.User.mb_str(wxConvISO8859_1);
    const wxCharBuffer pass = p.Pass.mb_str(wxConvISO8859_1);
    proxy.user = user.data() ? user.data() : "";
    proxy.pass = pass.data() ? pass.data() : "";
    return proxy;
}

StreamSettings StreamSettingsOf(const AppSettings& settings, const StartOptions& options) {
    const AppSettings::General& g = settings.general;
    const AppSettings::AvParameter& av = settings.avParameter;
    StreamSettings s;
    s.videoSink = Utf8(g.VideoSink);
    s.audioSink = Utf8(g.AudioSink);
    s.fallbackVideo = options.fallbackVideo;
    s.streamBufferTime = g.StreamBufferTime;
    s.streamBuffer = g.StreamBuffer;
    s.deinterlacer = g.Deinterlacer != 0;
    s.deinterlacerMethod = g.DeinterlacerMethod;
    s.brightness = av.Brightness;
    s.contrast = av.Contrast;
    s.colour = av.Color;
    s.subtitles = g.Subtitles != 0;
    s.lowBand = av.LBand;
    s.midBand = av.MBand;
    s.highBand = av.HBand;
    s.volume = std::clamp(g.Volume, 0, 100);
    s.audioLanguage = Utf8(g.AudioLanguage);
    s.tvControl = g.TVControl != 0;
    s.proxy = SourceProxyOf(settings);
    s.gstDebugLevel = Utf8(options.gstDebugLevel);
    return s;
}
