// All configuration of the program: one in-memory record, loaded once from
// "tessaro.cfg" and written back when the settings dialog applies and when the
// main window closes. Member names follow the file keys (GENERAL/Volume -> general.Volume).
#pragma once

#include <array>

#include <wx/string.h>

struct ReceiverProfile {
    wxString Name;
    wxString Host;
    wxString User;
    wxString Pass;
    long WPort = 0;
    long SPort = 0;
    int Https = 0;

    // Name, Host and User set, both ports non-zero (Pass may be empty).
    bool IsUsable() const;
};

struct AppSettings {
    static constexpr int kProfileSlots = 10;

    struct General {
        wxString Language = "DE";
        wxString AudioLanguage = "DE"; // read only
        int TVProviders = 0;
        int RAProviders = 0;
        int Volume = 50;
        int Deinterlacer = 0;
        int DeinterlacerMethod = 4; // read only
        int TVControl = 1;
        int ExpertMode = 0;
        int Tooltips = 1;
        int OnlineUpdate = 0;
        wxString RecDir;
        wxString ExcludeDir;
        int SortMode = 0;
        long SkipTime = 15;
        int Rezap = 0;
        int EPGSimilar = 1;
        int StreamBuffer = 66;
        int Subtitles = 0;                    // DVB subtitles shown when a stream has them
        long StreamBufferTime = 2;            // read only
        wxString VideoSink = "xvimagesink";   // read only
        wxString AudioSink = "autoaudiosink"; // read only
    } general;

    struct Timer {
        wxString Dir = "/hdd/movie/";
        wxString Tag = "Tessaro";
    } timer;

    struct Pip {
        int Position = 2;
        int Size = 33;
        int Offset = 25;
        double Alpha = 0.8;
    } pip;

    struct AvParameter {
        double LBand = 0;
        double MBand = 0;
        double HBand = 0;
        double Brightness = 0;
        double Contrast = 1;
        double Color = 1;
    } avParameter;

    struct RemoteControl {
        int RCType = 0;
        int Intervall = 0;
        int Mode = 0;
        int Quality = 0;
        int Resolution = 0;
    } remoteControl;

    struct MainWindow {
        int XPos = -1;
        int YPos = -1;
        int Width = -1;  // read only
        int Height = -1; // read only
    } mainWindow;

    struct VideoWindow {
        int XPos = 0;
        int YPos = 0;
        int Width = 512;
        int Height = 288;
    } videoWindow;

    struct SrcServer {
        int Port = 8080;
    } srcServer;

    struct Proxy {
        wxString Host;
        long Port = 0;
        wxString User;
        wxString Pass;
        bool Mode = false;

        // Host, user and password set and a port.
        bool IsComplete() const { return !Host.empty() && !User.empty() && !Pass.empty() && Port != 0; }
        // The one rule for every connection: through the proxy only when it is on and complete.
        bool InUse() const { return Mode && IsComplete(); }
    } proxy;

    std::array<ReceiverProfile, kProfileSlots> profiles;

    // Derived, not stored.
    bool proxyUsable = false;
    int profileCount = 0;
    int activeProfile = 0;

    const ReceiverProfile& ActiveProfile() const { return profiles[activeProfile]; }
    ReceiverProfile& ActiveProfile() { return profiles[activeProfile]; }
};
