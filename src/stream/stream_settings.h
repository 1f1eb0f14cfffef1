// What one stream needs of the program's settings, copied when the stream starts.
// The settings dialog writes the live settings on the GUI thread while GStreamer's
// threads build chains; they read only the copy of their own stream.
#pragma once

#include <string>

struct AppSettings;
struct StartOptions;

// Proxy properties of the HTTP source, used when the proxy is on and complete.
struct SourceProxy {
    bool use = false;
    std::string address;    // "host:port"
    std::string user, pass; // 8-bit, as the proxy expects them
};

struct StreamSettings {
    // Outputs (factory names, UTF-8); the compatible video output forces "ximagesink".
    std::string videoSink = "xvimagesink";
    std::string audioSink = "autoaudiosink";
    bool fallbackVideo = false;
    // Buffering: the multiqueue's time limit and the fill that opens the gate to PLAYING.
    long streamBufferTime = 2; // seconds
    int streamBuffer = 66;     // percent
    // Picture.
    bool deinterlacer = false;
    int deinterlacerMethod = 4;
    double brightness = 0, contrast = 1, colour = 1;
    // DVB subtitles: whether they are shown, and the stream chosen for this one
    // (0: none chosen yet, the first one linked plays).
    bool subtitles = false;
    int subtitlePid = 0;
    // Sound.
    double lowBand = 0, midBand = 0, highBand = 0;
    int volume = 50;                  // percent
    std::string audioLanguage = "DE"; // the default track's language
    // The receiver plays along (sub-services, its audio track choice).
    bool tvControl = true;
    SourceProxy proxy;
    // GStreamer's own debug level from the command line (read once, at its set-up).
    std::string gstDebugLevel;
};

// The one place the streaming engine reads the settings: on the GUI thread, at the
// start of a stream.
StreamSettings StreamSettingsOf(const AppSettings& settings, const StartOptions& options);
SourceProxy SourceProxyOf(const AppSettings& settings);
