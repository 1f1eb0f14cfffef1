#include <csignal>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <wx/dir.h>
#include <wx/filename.h>

#include "core/settings_store.h"
#include "temp_dir.h"

namespace {

const char* const kUsable =
    "[PROFILE1]\nName=Wohnzimmer\nHost=192.168.0.10\nUser=root\nPass=pw\nWPort=80\nSPort=8001\n";

struct Loaded {
    AppSettings settings;
    StartOptions options;
    int count = -1;
};

Loaded LoadText(const TempDir& dir, const std::string& text) {
    WriteAll(dir.File("tessaro.cfg"), text);
    Loaded l;
    l.count = LoadSettingsFrom(l.settings, l.options, dir.Path());
    return l;
}

// The "group/key" pairs of a file in the order they are written.
std::vector<std::string> KeysInOrder(const std::string& text) {
    std::vector<std::string> keys;
    std::string group;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() > 2 && line.front() == '[')
            group = line.substr(1, line.size() - 2);
        else if (line.find('=') != std::string::npos)
            keys.push_back(group + "/" + line.substr(0, line.find('=')));
    }
    return keys;
}

TEST(SettingsStore, MissingFileWritesDefaultsAndAsksForConfiguration) {
    TempDir dir;
    const wxString dataDir = dir.Path() + "nested/.tessaro/";
    AppSettings s;
    StartOptions o;
    s.general.Rezap = 1; // kept in memory by the reset
    EXPECT_EQ(LoadSettingsFrom(s, o, dataDir), 0);
    ASSERT_TRUE(wxFileName::FileExists(dataDir + "tessaro.cfg"));
    EXPECT_EQ(s.profiles[0].Name, "Tunerbox");
    EXPECT_EQ(s.profiles[0].Host, "127.0.0.1");
    EXPECT_EQ(s.profiles[0].WPort, 80);
    EXPECT_EQ(s.profiles[0].SPort, 8001);
    EXPECT_EQ(s.profileCount, 1); // the dialog shows the example profile
    EXPECT_EQ(s.general.Rezap, 1);

    AppSettings again;
    EXPECT_EQ(LoadSettingsFrom(again, o, dataDir), 0) << "the default profile still counts as unconfigured";
    EXPECT_EQ(again.profiles[0].Pass, "tunerpwd");
    EXPECT_EQ(again.general.Rezap, 1);
}

TEST(SettingsStore, UsableProfilesMoveToTheFrontAndAreSavedThere) {
    TempDir dir;
    Loaded l =
        LoadText(dir, std::string(kUsable) +
                          "[PROFILE2]\nName=Kaputt\nHost=box2\nUser=\nPass=\nWPort=80\nSPort=8001\n"
                          "[PROFILE3]\nName=Schlafzimmer\nHost=box3\nUser=root\nPass=\nWPort=81\nSPort=8002\n"
                          "Https=1\n");
    EXPECT_EQ(l.count, 2);
    EXPECT_EQ(l.settings.profileCount, 2);
    EXPECT_EQ(l.settings.profiles[1].Name, "Schlafzimmer");
    EXPECT_EQ(l.settings.profiles[1].Https, 1);
    EXPECT_EQ(l.settings.profiles[1].Pass, "") << "an empty password still makes a usable profile";

    ASSERT_TRUE(SaveSettingsTo(l.settings, dir.Path(), false));
    AppSettings reread;
    StartOptions o;
    EXPECT_EQ(LoadSettingsFrom(reread, o, dir.Path()), 2);
    EXPECT_EQ(reread.profiles[1].Name, "Schlafzimmer");
    EXPECT_EQ(reread.profiles[1].WPort, 81);
    const std::string text = ReadAll(dir.File("tessaro.cfg"));
    EXPECT_NE(text.find("[PROFILE2]\nName=Schlafzimmer\n"), std::string::npos) << text;
}

TEST(SettingsStore, AllTenProfilesUsableFillEverySlot) {
    TempDir dir;
    std::string text;
    for (int n = 1; n <= 10; ++n)
        text +=
            wxString::Format("[PROFILE%d]\nName=B%d\nHost=h\nUser=u\nWPort=1\nSPort=2\n", n, n).ToStdString();
    Loaded l = LoadText(dir, text);
    EXPECT_EQ(l.count, 10);
    EXPECT_EQ(l.settings.profiles[9].Name, "B10");
}

struct RangeCase {
    const char* line;
    std::function<double(const AppSettings&)> field;
    double expected;
};

TEST(SettingsStore, OutOfRangeAndUnreadableValuesAreCorrected) {
    const std::vector<RangeCase> cases = {
        {"[GENERAL]\nVolume=150", [](const AppSettings& s) { return s.general.Volume; }, 50},
        {"[GENERAL]\nVolume=-1", [](const AppSettings& s) { return s.general.Volume; }, 50},
        {"[GENERAL]\nVolume=100", [](const AppSettings& s) { return s.general.Volume; }, 100},
        {"[GENERAL]\nVolume=laut", [](const AppSettings& s) { return s.general.Volume; }, 50},
        {"[GENERAL]\nStreamBuffer=101", [](const AppSettings& s) { return s.general.StreamBuffer; }, 66},
        {"[GENERAL]\nStreamBuffer=0", [](const AppSettings& s) { return s.general.StreamBuffer; }, 0},
        {"[PIP]\nPosition=0", [](const AppSettings& s) { return s.pip.Position; }, 2},
        {"[PIP]\nPosition=6", [](const AppSettings& s) { return s.pip.Position; }, 2},
        {"[PIP]\nPosition=5", [](const AppSettings& s) { return s.pip.Position; }, 5},
        {"[PIP]\nOffset=100", [](const AppSettings& s) { return s.pip.Offset; }, 25},
        {"[PIP]\nSize=9", [](const AppSettings& s) { return s.pip.Size; }, 33},
        {"[PIP]\nSize=51", [](const AppSettings& s) { return s.pip.Size; }, 33},
        {"[PIP]\nSize=10", [](const AppSettings& s) { return s.pip.Size; }, 10},
        {"[PIP]\nAlpha=0.05", [](const AppSettings& s) { return s.pip.Alpha; }, 0.8},
        {"[PIP]\nAlpha=1.5", [](const AppSettings& s) { return s.pip.Alpha; }, 0.8},
        {"[PIP]\nAlpha=nan", [](const AppSettings& s) { return s.pip.Alpha; }, 0.8},
        {"[PIP]\nAlpha=0.1", [](const AppSettings& s) { return s.pip.Alpha; }, 0.1},
        {"[MAINWINDOW]\nXPos=-32000\nYPos=40", [](const AppSettings& s) { return s.mainWindow.YPos; }, 0},
        {"[MAINWINDOW]\nXPos=10\nYPos=-32000", [](const AppSettings& s) { return s.mainWindow.XPos; }, 0},
        {"[MAINWINDOW]\nXPos=-5\nYPos=7", [](const AppSettings& s) { return s.mainWindow.XPos; }, -5},
        {"[GENERAL]\nSkipTime=", [](const AppSettings& s) { return s.general.SkipTime; }, 15},
    };
    for (const RangeCase& c : cases) {
        TempDir dir;
        const Loaded l = LoadText(dir, std::string(kUsable) + c.line + "\n");
        EXPECT_DOUBLE_EQ(c.field(l.settings), c.expected) << c.line;
    }
}

TEST(SettingsStore, ZeroPortsAreWrittenEmptyAndReadBackAsZero) {
    TempDir dir;
    AppSettings s;
    s.profiles[0] = ReceiverProfile{"Box", "10.0.0.2", "root", "pw", 0, 8001, 1};
    s.profiles[1] = ReceiverProfile{"", "10.0.0.3", "root", "pw", 80, 0, 1};
    ASSERT_TRUE(SaveSettingsTo(s, dir.Path(), false));
    const std::string text = ReadAll(dir.File("tessaro.cfg"));
    EXPECT_NE(
        text.find("[PROFILE1]\nName=Box\nHost=10.0.0.2\nUser=root\nPass=pw\nWPort=\nSPort=8001\nHttps=1\n"),
        std::string::npos)
        << text;
    // Https is written empty for a slot without a name.
    EXPECT_NE(text.find("[PROFILE2]\nName=\nHost=10.0.0.3\nUser=root\nPass=pw\nWPort=80\nSPort=\nHttps=\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[PROXY]\nHost=\nPort=\n"), std::string::npos) << text;

    AppSettings reread;
    StartOptions o;
    LoadSettingsFrom(reread, o, dir.Path());
    EXPECT_EQ(reread.proxy.Port, 0);
    EXPECT_EQ(reread.profileCount, 0) << "a profile without web port is not usable";
}

TEST(SettingsStore, IncompleteProxyIsSwitchedOff) {
    struct Case {
        const char* proxy;
        bool usable;
    };
    for (const Case& c : {Case{"Host=proxy\nPort=3128\nUser=u\nPass=\nMode=1", false},
                          Case{"Host=proxy\nPort=\nUser=u\nPass=p\nMode=1", false},
                          Case{"Host=proxy\nPort=3128\nUser=u\nPass=p\nMode=1", true}}) {
        TempDir dir;
        const Loaded l = LoadText(dir, std::string(kUsable) + "[PROXY]\n" + c.proxy + "\n");
        EXPECT_EQ(l.settings.proxyUsable, c.usable) << c.proxy;
        EXPECT_EQ(l.settings.proxy.Mode, c.usable) << c.proxy;
    }
}

TEST(SettingsStore, UnconfiguredHostAndVideoSinkRules) {
    TempDir dir;
    Loaded local = LoadText(dir, "[PROFILE1]\nName=T\nHost=127.0.0.1\nUser=root\nWPort=80\nSPort=8001\n"
                                 "[GENERAL]\nVideoSink=ximagesink\n");
    EXPECT_EQ(local.count, 0);
    EXPECT_EQ(local.settings.profileCount, 1);
    EXPECT_TRUE(local.options.fallbackVideo);

    TempDir dir2;
    Loaded xv = LoadText(dir2, std::string(kUsable) + "[GENERAL]\nVideoSink=xvimagesink\n");
    EXPECT_EQ(xv.count, 1);
    EXPECT_FALSE(xv.options.fallbackVideo);
}

TEST(SettingsStore, SaveWritesKeysInFixedOrderAndNeverTheReadOnlyOnes) {
    TempDir dir;
    AppSettings s;
    ASSERT_TRUE(SaveSettingsTo(s, dir.Path(), false));
    std::vector<std::string> expected = {"GENERAL/Language",
                                         "GENERAL/TVProviders",
                                         "GENERAL/RAProviders",
                                         "GENERAL/Volume",
                                         "GENERAL/Deinterlacer",
                                         "GENERAL/TVControl",
                                         "GENERAL/ExpertMode",
                                         "GENERAL/Tooltips",
                                         "GENERAL/OnlineUpdate",
                                         "GENERAL/RecDir",
                                         "GENERAL/ExcludeDir",
                                         "GENERAL/SortMode",
                                         "GENERAL/SkipTime",
                                         "GENERAL/Rezap",
                                         "GENERAL/EPGSimilar",
                                         "GENERAL/StreamBuffer",
                                         "GENERAL/Subtitles",
                                         "PIP/Position",
                                         "PIP/Size",
                                         "PIP/Offset",
                                         "PIP/Alpha",
                                         "TIMER/Dir",
                                         "TIMER/Tag",
                                         "AVPARAMETER/LBand",
                                         "AVPARAMETER/MBand",
                                         "AVPARAMETER/HBand",
                                         "AVPARAMETER/Brightness",
                                         "AVPARAMETER/Contrast",
                                         "AVPARAMETER/Color",
                                         "REMOTECONTROL/RCType",
                                         "REMOTECONTROL/Intervall",
                                         "REMOTECONTROL/Mode",
                                         "REMOTECONTROL/Quality",
                                         "REMOTECONTROL/Resolution",
                                         "MAINWINDOW/XPos",
                                         "MAINWINDOW/YPos",
                                         "VIDEOWINDOW/XPos",
                                         "VIDEOWINDOW/YPos",
                                         "VIDEOWINDOW/Width",
                                         "VIDEOWINDOW/Height",
                                         "SRCSERVER/Port",
                                         "PROXY/Host",
                                         "PROXY/Port",
                                         "PROXY/User",
                                         "PROXY/Pass",
                                         "PROXY/Mode"};
    for (int n = 1; n <= 10; ++n)
        for (const char* key : {"Name", "Host", "User", "Pass", "WPort", "SPort", "Https"})
            expected.push_back(wxString::Format("PROFILE%d/%s", n, key).ToStdString());
    EXPECT_EQ(KeysInOrder(ReadAll(dir.File("tessaro.cfg"))), expected);
}

TEST(SettingsStore, HandAddedKeysSurviveASave) {
    TempDir dir;
    Loaded l = LoadText(dir, "# eigene Notiz\n[GENERAL]\nVideoSink=ximagesink\nStreamBufferTime=5\n"
                             "AudioSink=pulsesink\n" +
                                 std::string(kUsable));
    EXPECT_EQ(l.settings.general.StreamBufferTime, 5);
    EXPECT_EQ(l.settings.general.AudioSink, "pulsesink");
    l.settings.general.Volume = 70;
    ASSERT_TRUE(SaveSettingsTo(l.settings, dir.Path(), false));
    const std::string text = ReadAll(dir.File("tessaro.cfg"));
    for (const char* kept :
         {"# eigene Notiz", "VideoSink=ximagesink", "StreamBufferTime=5", "AudioSink=pulsesink", "Volume=70"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
}

TEST(SettingsStore, TextsAndNumbersRoundTrip) {
    TempDir dir;
    AppSettings s;
    s.profiles[0] =
        ReceiverProfile{wxString::FromUTF8("Küche #1"), "box", "root", " $HOME;x\\y ", 80, 8001, 0};
    s.general.RecDir = "/home/u/Aufnahmen/";
    s.pip.Alpha = 0.55;
    s.avParameter.LBand = -3.5;
    s.proxy = {"proxy", 3128, "u", "p", true};
    ASSERT_TRUE(SaveSettingsTo(s, dir.Path(), false));
    AppSettings r;
    StartOptions o;
    ASSERT_EQ(LoadSettingsFrom(r, o, dir.Path()), 1);
    EXPECT_EQ(r.profiles[0].Name, s.profiles[0].Name);
    EXPECT_EQ(r.profiles[0].Pass, s.profiles[0].Pass) << "no environment expansion, blanks kept";
    EXPECT_EQ(r.general.RecDir, s.general.RecDir);
    EXPECT_DOUBLE_EQ(r.pip.Alpha, 0.55);
    EXPECT_DOUBLE_EQ(r.avParameter.LBand, -3.5);
    EXPECT_TRUE(r.proxy.Mode);
    EXPECT_EQ(r.proxy.Port, 3128);
}

TEST(SettingsStore, BadFilesNeitherCrashNorLoseText) {
    TempDir latin1;
    Loaded l = LoadText(latin1, "[PROFILE1]\nName=K\xfc"
                                "che\nHost=h\nUser=u\nWPort=1\nSPort=2\n");
    EXPECT_EQ(l.settings.profiles[0].Name, wxString::FromUTF8("Küche"));

    TempDir garbage;
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.push_back(static_cast<char>((i * 7919) % 256));
    Loaded g = LoadText(garbage, bytes);
    EXPECT_EQ(g.count, 0);
    EXPECT_EQ(g.settings.general.Volume, 50);
}

// The old file must survive any failed save byte for byte.
class FailedSave : public testing::Test {
protected:
    void SetUp() override {
        WriteAll(dir.File("tessaro.cfg"), kUsable);
        settings.general.RecDir = wxString('x', 64 * 1024);
    }
    void ExpectOldFileIntact() {
        EXPECT_EQ(ReadAll(dir.File("tessaro.cfg")), kUsable);
        wxArrayString files;
        wxDir::GetAllFiles(dir.Path(), &files, "*.tmp");
        EXPECT_TRUE(files.empty()) << "temporary file left behind";
    }
    TempDir dir;
    AppSettings settings;
};

TEST_F(FailedSave, DiskFullKeepsOldFile) {
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveSettingsTo(settings, dir.Path(), false);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved);
    ExpectOldFileIntact();
}

TEST_F(FailedSave, ReadOnlyDirectoryKeepsOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    ASSERT_EQ(::chmod(dir.Path().fn_str(), 0555), 0);
    const bool saved = SaveSettingsTo(settings, dir.Path(), false);
    ::chmod(dir.Path().fn_str(), 0755);
    EXPECT_FALSE(saved);
    ExpectOldFileIntact();
}

TEST(SettingsStoreFailure, DataDirectoryThatIsAFileFails) {
    TempDir dir;
    WriteAll(dir.File("blocker"), "x");
    AppSettings s;
    EXPECT_FALSE(SaveSettingsTo(s, dir.File("blocker") + "/", false));
    EXPECT_EQ(ReadAll(dir.File("blocker")), "x");
}

} // namespace
