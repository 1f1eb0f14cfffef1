#include "core/settings_store.h"

#include <memory>

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/sstream.h>

#include "core/atomic_file.h"
#include "core/paths.h"

namespace {

const char* const kSettingsFile = "tessaro.cfg";

wxString ProfileKey(int slot, const char* entry) {
    return wxString::Format("/PROFILE%d/%s", slot + 1, entry);
}

// Reading from a stream leaves the config without a file of its own, so it never
// writes behind our back on destruction; saving goes through ReplaceFileAtomically.
// Null when the file exists but cannot be read.
std::unique_ptr<wxFileConfig> OpenConfig(const wxString& path) {
    wxString text;
    if (wxFileName::Exists(path) && !ReadTextFile(path, text))
        return nullptr;
    wxStringInputStream in(text);
    auto config = std::make_unique<wxFileConfig>(in, wxConvUTF8);
    // Passwords and paths may contain "$" and must come back as written.
    config->SetExpandEnvVars(false);
    return config;
}

template <typename T> void ReadInto(const wxFileConfig& config, const wxString& key, T& value) {
    const T fallback = value;
    if (!config.Read(key, &value, fallback))
        value = fallback;
}

// The string overload of Read takes the default as a wxString.
void ReadInto(const wxFileConfig& config, const wxString& key, wxString& value) {
    value = config.Read(key, value);
}

void ReadInto(const wxFileConfig& config, const wxString& key, int& value) {
    long number = value;
    ReadInto(config, key, number);
    value = static_cast<int>(number);
}

void ReadGeneral(const wxFileConfig& c, AppSettings::General& g) {
    ReadInto(c, "/GENERAL/Language", g.Language);
    ReadInto(c, "/GENERAL/AudioLanguage", g.AudioLanguage);
    ReadInto(c, "/GENERAL/TVProviders", g.TVProviders);
    ReadInto(c, "/GENERAL/RAProviders", g.RAProviders);
    ReadInto(c, "/GENERAL/Volume", g.Volume);
    ReadInto(c, "/GENERAL/Deinterlacer", g.Deinterlacer);
    ReadInto(c, "/GENERAL/DeinterlacerMethod", g.DeinterlacerMethod);
    ReadInto(c, "/GENERAL/TVControl", g.TVControl);
    ReadInto(c, "/GENERAL/ExpertMode", g.ExpertMode);
    ReadInto(c, "/GENERAL/Tooltips", g.Tooltips);
    ReadInto(c, "/GENERAL/OnlineUpdate", g.OnlineUpdate);
    ReadInto(c, "/GENERAL/RecDir", g.RecDir);
    ReadInto(c, "/GENERAL/ExcludeDir", g.ExcludeDir);
    ReadInto(c, "/GENERAL/SortMode", g.SortMode);
    ReadInto(c, "/GENERAL/SkipTime", g.SkipTime);
    ReadInto(c, "/GENERAL/Rezap", g.Rezap);
    ReadInto(c, "/GENERAL/EPGSimilar", g.EPGSimilar);
    ReadInto(c, "/GENERAL/StreamBuffer", g.StreamBuffer);
    ReadInto(c, "/GENERAL/Subtitles", g.Subtitles);
    ReadInto(c, "/GENERAL/StreamBufferTime", g.StreamBufferTime);
    ReadInto(c, "/GENERAL/VideoSink", g.VideoSink);
    ReadInto(c, "/GENERAL/AudioSink", g.AudioSink);
}

void ReadOthers(const wxFileConfig& c, AppSettings& s) {
    ReadInto(c, "/TIMER/Dir", s.timer.Dir);
    ReadInto(c, "/TIMER/Tag", s.timer.Tag);
    ReadInto(c, "/PIP/Position", s.pip.Position);
    ReadInto(c, "/PIP/Size", s.pip.Size);
    ReadInto(c, "/PIP/Offset", s.pip.Offset);
    ReadInto(c, "/PIP/Alpha", s.pip.Alpha);
    ReadInto(c, "/AVPARAMETER/LBand", s.avParameter.LBand);
    ReadInto(c, "/AVPARAMETER/MBand", s.avParameter.MBand);
    ReadInto(c, "/AVPARAMETER/HBand", s.avParameter.HBand);
    ReadInto(c, "/AVPARAMETER/Brightness", s.avParameter.Brightness);
    ReadInto(c, "/AVPARAMETER/Contrast", s.avParameter.Contrast);
    ReadInto(c, "/AVPARAMETER/Color", s.avParameter.Color);
    ReadInto(c, "/REMOTECONTROL/RCType", s.remoteControl.RCType);
    ReadInto(c, "/REMOTECONTROL/Intervall", s.remoteControl.Intervall);
    ReadInto(c, "/REMOTECONTROL/Mode", s.remoteControl.Mode);
    ReadInto(c, "/REMOTECONTROL/Quality", s.remoteControl.Quality);
    ReadInto(c, "/REMOTECONTROL/Resolution", s.remoteControl.Resolution);
    ReadInto(c, "/MAINWINDOW/XPos", s.mainWindow.XPos);
    ReadInto(c, "/MAINWINDOW/YPos", s.mainWindow.YPos);
    ReadInto(c, "/MAINWINDOW/Width", s.mainWindow.Width);
    ReadInto(c, "/MAINWINDOW/Height", s.mainWindow.Height);
    ReadInto(c, "/VIDEOWINDOW/XPos", s.videoWindow.XPos);
    ReadInto(c, "/VIDEOWINDOW/YPos", s.videoWindow.YPos);
    ReadInto(c, "/VIDEOWINDOW/Width", s.videoWindow.Width);
    ReadInto(c, "/VIDEOWINDOW/Height", s.videoWindow.Height);
    ReadInto(c, "/SRCSERVER/Port", s.srcServer.Port);
    ReadInto(c, "/PROXY/Host", s.proxy.Host);
    ReadInto(c, "/PROXY/Port", s.proxy.Port);
    ReadInto(c, "/PROXY/User", s.proxy.User);
    ReadInto(c, "/PROXY/Pass", s.proxy.Pass);
    ReadInto(c, "/PROXY/Mode", s.proxy.Mode);
}

void ReadProfile(const wxFileConfig& c, int n, ReceiverProfile& p) {
    p = ReceiverProfile{};
    ReadInto(c, ProfileKey(n, "Name"), p.Name);
    ReadInto(c, ProfileKey(n, "Host"), p.Host);
    ReadInto(c, ProfileKey(n, "User"), p.User);
    ReadInto(c, ProfileKey(n, "Pass"), p.Pass);
    ReadInto(c, ProfileKey(n, "WPort"), p.WPort);
    ReadInto(c, ProfileKey(n, "SPort"), p.SPort);
    ReadInto(c, ProfileKey(n, "Https"), p.Https);
}

// Usable profiles move to the front in file order; an unusable one only occupies the
// next free slot until the next profile is read into it.
int ReadProfiles(const wxFileConfig& c, AppSettings& s) {
    int taken = 0; // never above n, so the slot index stays inside the array
    for (int n = 0; n < AppSettings::kProfileSlots; ++n) {
        ReceiverProfile& slot = s.profiles[taken];
        ReadProfile(c, n, slot);
        if (slot.IsUsable())
            ++taken;
    }
    return taken;
}

template <typename T> void Clamp(T& value, T low, T high, T fallback) {
    if (value < low || value > high)
        value = fallback;
}

void CorrectRanges(AppSettings& s) {
    Clamp(s.general.Volume, 0, 100, 50);
    Clamp(s.general.StreamBuffer, 0, 100, 66);
    Clamp(s.pip.Position, 1, 5, 2);
    Clamp(s.pip.Offset, 0, 99, 25);
    Clamp(s.pip.Size, 10, 50, 33);
    // Written as "not inside" so that a NaN read from the file is replaced too.
    if (!(s.pip.Alpha >= 0.1 && s.pip.Alpha <= 1.0))
        s.pip.Alpha = 0.8;
    // The position Windows reports for a minimised window.
    if (s.mainWindow.XPos == -32000 || s.mainWindow.YPos == -32000)
        s.mainWindow.XPos = s.mainWindow.YPos = 0;
}

void WriteGeneral(wxFileConfig& c, const AppSettings::General& g) {
    c.Write("/GENERAL/Language", g.Language);
    c.Write("/GENERAL/TVProviders", g.TVProviders);
    c.Write("/GENERAL/RAProviders", g.RAProviders);
    c.Write("/GENERAL/Volume", g.Volume);
    c.Write("/GENERAL/Deinterlacer", g.Deinterlacer);
    c.Write("/GENERAL/TVControl", g.TVControl);
    c.Write("/GENERAL/ExpertMode", g.ExpertMode);
    c.Write("/GENERAL/Tooltips", g.Tooltips);
    c.Write("/GENERAL/OnlineUpdate", g.OnlineUpdate);
    c.Write("/GENERAL/RecDir", g.RecDir);
    c.Write("/GENERAL/ExcludeDir", g.ExcludeDir);
    c.Write("/GENERAL/SortMode", g.SortMode);
    c.Write("/GENERAL/SkipTime", g.SkipTime);
    c.Write("/GENERAL/Rezap", g.Rezap);
    c.Write("/GENERAL/EPGSimilar", g.EPGSimilar);
    c.Write("/GENERAL/StreamBuffer", g.StreamBuffer);
    c.Write("/GENERAL/Subtitles", g.Subtitles);
}

void WriteOthers(wxFileConfig& c, const AppSettings& s) {
    c.Write("/PIP/Position", s.pip.Position);
    c.Write("/PIP/Size", s.pip.Size);
    c.Write("/PIP/Offset", s.pip.Offset);
    c.Write("/PIP/Alpha", s.pip.Alpha);
    c.Write("/TIMER/Dir", s.timer.Dir);
    c.Write("/TIMER/Tag", s.timer.Tag);
    c.Write("/AVPARAMETER/LBand", s.avParameter.LBand);
    c.Write("/AVPARAMETER/MBand", s.avParameter.MBand);
    c.Write("/AVPARAMETER/HBand", s.avParameter.HBand);
    c.Write("/AVPARAMETER/Brightness", s.avParameter.Brightness);
    c.Write("/AVPARAMETER/Contrast", s.avParameter.Contrast);
    c.Write("/AVPARAMETER/Color", s.avParameter.Color);
    c.Write("/REMOTECONTROL/RCType", s.remoteControl.RCType);
    c.Write("/REMOTECONTROL/Intervall", s.remoteControl.Intervall);
    c.Write("/REMOTECONTROL/Mode", s.remoteControl.Mode);
    c.Write("/REMOTECONTROL/Quality", s.remoteControl.Quality);
    c.Write("/REMOTECONTROL/Resolution", s.remoteControl.Resolution);
    c.Write("/MAINWINDOW/XPos", s.mainWindow.XPos);
    c.Write("/MAINWINDOW/YPos", s.mainWindow.YPos);
    c.Write("/VIDEOWINDOW/XPos", s.videoWindow.XPos);
    c.Write("/VIDEOWINDOW/YPos", s.videoWindow.YPos);
    c.Write("/VIDEOWINDOW/Width", s.videoWindow.Width);
    c.Write("/VIDEOWINDOW/Height", s.videoWindow.Height);
    c.Write("/SRCSERVER/Port", s.srcServer.Port);
}

// Zero ports are written as empty values; they read back as 0.
wxString PortText(long port) {
    return port == 0 ? wxString() : wxString::Format("%ld", port);
}

void WriteProxyAndProfiles(wxFileConfig& c, const AppSettings& s) {
    c.Write("/PROXY/Host", s.proxy.Host);
    c.Write("/PROXY/Port", PortText(s.proxy.Port));
    c.Write("/PROXY/User", s.proxy.User);
    c.Write("/PROXY/Pass", s.proxy.Pass);
    c.Write("/PROXY/Mode", s.proxy.Mode);
    for (int n = 0; n < AppSettings::kProfileSlots; ++n) {
        const ReceiverProfile& p = s.profiles[n];
        c.Write(ProfileKey(n, "Name"), p.Name);
        c.Write(ProfileKey(n, "Host"), p.Host);
        c.Write(ProfileKey(n, "User"), p.User);
        c.Write(ProfileKey(n, "Pass"), p.Pass);
        c.Write(ProfileKey(n, "WPort"), PortText(p.WPort));
        c.Write(ProfileKey(n, "SPort"), PortText(p.SPort));
        c.Write(ProfileKey(n, "Https"), p.Name.empty() ? wxString() : wxString::Format("%d", p.Https));
    }
}

bool SerialiseConfig(wxFileConfig& config, std::string& bytes) {
    wxMemoryOutputStream out;
    if (!config.Save(out, wxConvUTF8))
        return false;
    bytes.resize(out.GetSize());
    return out.CopyTo(bytes.data(), bytes.size()) == bytes.size();
}

bool EnsureDirectory(const wxString& dir) {
    return wxFileName::DirExists(dir) || wxFileName::Mkdir(dir, 0777, wxPATH_MKDIR_FULL);
}

} // namespace

void ResetSettingsToDefaults(AppSettings& s) {
    const AppSettings defaults;
    const int rezap = s.general.Rezap;
    const AppSettings::General keptGeneral = s.general;
    s.general = defaults.general;
    s.general.Rezap = rezap;
    s.general.AudioSink = keptGeneral.AudioSink;
    s.timer = defaults.timer;
    s.pip = defaults.pip;
    s.avParameter = defaults.avParameter;
    const int rcType = s.remoteControl.RCType;
    s.remoteControl = defaults.remoteControl;
    s.remoteControl.RCType = rcType;
    s.videoWindow = defaults.videoWindow;
    s.srcServer = defaults.srcServer;
    s.profiles[0] = ReceiverProfile{"Tunerbox", "127.0.0.1", "root", "tunerpwd", 80, 8001, 0};
}

int LoadSettingsFrom(AppSettings& settings, StartOptions& options, const wxString& dataDir) {
    const wxString path = dataDir + kSettingsFile;
    if (!wxFileName::FileExists(path)) {
        SaveSettingsTo(settings, dataDir, true);
        settings.profileCount = settings.profiles[0].IsUsable() ? 1 : 0;
        settings.activeProfile = 0;
        return 0;
    }
    std::unique_ptr<wxFileConfig> config = OpenConfig(path);
    if (!config) {
        wxLogError("Cannot read %s", path);
        config = OpenConfig(wxString()); // all defaults
    }
    const wxFileConfig& source = *config;
    AppSettings loaded;
    ReadGeneral(source, loaded.general);
    ReadOthers(source, loaded);
    loaded.profileCount = ReadProfiles(source, loaded);
    CorrectRanges(loaded);
    loaded.proxyUsable = loaded.proxy.IsComplete();
    if (!loaded.proxyUsable)
        loaded.proxy.Mode = false;
    settings = loaded;
    // Applies also to an unconfigured file: the sink setting is independent of the profiles.
    if (settings.general.VideoSink == "ximagesink")
        options.fallbackVideo = true;
    if (settings.profiles[0].Host == "127.0.0.1")
        return 0;
    return settings.profileCount;
}

bool SaveSettingsTo(AppSettings& settings, const wxString& dataDir, bool resetToDefaults) {
    if (!EnsureDirectory(dataDir))
        return false;
    if (resetToDefaults)
        ResetSettingsToDefaults(settings);
    const wxString path = dataDir + kSettingsFile;
    // Starting from the existing file keeps keys the user added by hand (the read-only
    // ones). A file we cannot read is never replaced by one without them.
    const std::unique_ptr<wxFileConfig> config = OpenConfig(path);
    if (!config)
        return false;
    WriteGeneral(*config, settings.general);
    WriteOthers(*config, settings);
    WriteProxyAndProfiles(*config, settings);
    std::string bytes;
    return SerialiseConfig(*config, bytes) && ReplaceFileAtomically(path, bytes);
}
