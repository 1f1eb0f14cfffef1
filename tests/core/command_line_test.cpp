#include <vector>

#include <gtest/gtest.h>

#include <wx/filename.h>

#include "core/command_line.h"
#include "temp_dir.h"

namespace {

const wxString kSyntaxError = wxString::FromUTF8(
    "Ein Kommandozeilen-Parameter ist fehlerhaft!\n\nDie möglichen Parameter können mit -h oder --help "
    "angezeigt werden...");

CommandLineOutcome Evaluate(std::vector<const char*> args, StartOptions& options, int profiles = 3) {
    wxArrayString list;
    for (const char* a : args)
        list.Add(wxString::FromUTF8(a));
    return EvaluateCommandLine(list, profiles, options);
}

TEST(CommandLine, SyntaxErrorsEndWithTheErrorMessageEvenWithHelp) {
    const std::vector<std::vector<const char*>> bad = {{"-h", "-x"},       {"--unknown"},  {"-s"},
                                                       {"-s", "zwei"},     {"-m", "eins"}, {"/h"},
                                                       {"-h", "--mode=x"}, {"extra"}};
    for (const auto& args : bad) {
        StartOptions o;
        const CommandLineOutcome out = Evaluate(args, o);
        EXPECT_EQ(out.action, CommandLineOutcome::EndAfterMessage) << *args.begin();
        ASSERT_EQ(out.messages.size(), 1u);
        EXPECT_EQ(out.messages[0].first, kSyntaxError) << *args.begin();
        EXPECT_EQ(out.messages[0].second, MessageIcon::Error);
    }
}

TEST(CommandLine, HelpEndsWithTheHelpTextAndIgnoresTheRest) {
    for (const auto& args : {std::vector<const char*>{"-h"}, {"--help", "-c", "-s", "9"}}) {
        StartOptions o;
        const CommandLineOutcome out = Evaluate(args, o);
        EXPECT_EQ(out.action, CommandLineOutcome::EndAfterMessage);
        ASSERT_EQ(out.messages.size(), 1u);
        EXPECT_EQ(out.messages[0].second, MessageIcon::Information);
        EXPECT_EQ(out.messages[0].first, CommandLineHelpText());
        EXPECT_FALSE(o.configMode);
    }
    EXPECT_TRUE(
        CommandLineHelpText().StartsWith(wxString::FromUTF8("unterstützte Kommandozeilen-Parameter:\n\n")));
    EXPECT_TRUE(CommandLineHelpText().EndsWith("-v, --verbose\n\tHinweise aktivieren\n\n"));
    EXPECT_EQ(CommandLineHelpText().Find("nostream"), wxNOT_FOUND);
}

TEST(CommandLine, ProfileNumberOutOfRangeWarnsAndUsesTheFirst) {
    struct Case {
        std::vector<const char*> args;
        int index;
        const char* warning; // nullptr: none
    };
    const std::vector<Case> cases = {
        {{}, 0, nullptr},
        {{"-s", "2"}, 1, nullptr},
        {{"--source=3"}, 2, nullptr},
        {{"-s", "0"}, 0, "Die angegebene Stream-Quelle #0 ist ungültig!"},
        {{"-s", "4"}, 0, "Die angegebene Stream-Quelle #4 ist ungültig!"},
        {{"-s", "-2"}, 0, "Die angegebene Stream-Quelle #-2 ist ungültig!"},
    };
    for (const Case& c : cases) {
        StartOptions o;
        o.profileIndex = 7;
        const CommandLineOutcome out = Evaluate(c.args, o);
        EXPECT_EQ(out.action, CommandLineOutcome::Run);
        EXPECT_EQ(o.profileIndex, c.index);
        if (!c.warning) {
            EXPECT_TRUE(out.messages.empty());
            continue;
        }
        ASSERT_EQ(out.messages.size(), 1u);
        EXPECT_EQ(out.messages[0].first, wxString::FromUTF8(c.warning));
        EXPECT_EQ(out.messages[0].second, MessageIcon::Exclamation);
    }
}

TEST(CommandLine, StartModeDebugLevelAndOverride) {
    struct Case {
        std::vector<const char*> args;
        int mode;
        const char* level;
        const char* ref;
        bool skip;
    };
    const std::vector<Case> cases = {
        {{"-m", "2"}, 2, "", "", false},
        {{"-m", "5"}, 0, "", "", false},
        {{"-m", "-1"}, 0, "", "", false},
        {{"--mode=3"}, 3, "", "", false},
        {{"-d", ""}, 0, "0", "", false},
        {{"--debug="}, 0, "0", "", false},
        {{"-d", "3"}, 0, "3", "", false},
        {{"-n"}, 0, "", "", true},
        {{"-o", "1:0:1:445D:453:1:C00000:0:0:0:"}, 0, "", "1:0:1:445D:453:1:C00000:0:0:0:", true},
        {{"--override="}, 0, "", "", false},
    };
    for (const Case& c : cases) {
        StartOptions o;
        const CommandLineOutcome out = Evaluate(c.args, o);
        const char* first = c.args.size() ? *c.args.begin() : "";
        EXPECT_EQ(out.action, CommandLineOutcome::Run) << first;
        EXPECT_EQ(o.startMode, c.mode) << first;
        EXPECT_EQ(o.gstDebugLevel, c.level) << first;
        EXPECT_EQ(o.startServiceRef, c.ref) << first;
        EXPECT_EQ(o.skipReceiverState, c.skip) << first;
    }
}

TEST(CommandLine, SwitchesNeverClearWhatTheSettingsSwitchedOn) {
    StartOptions o;
    o.fallbackVideo = true; // from GENERAL/VideoSink=ximagesink
    o.configMode = true;    // no usable profile
    Evaluate({"-v", "--logfile"}, o);
    EXPECT_TRUE(o.verbose);
    EXPECT_TRUE(o.debugDump);
    EXPECT_TRUE(o.fallbackVideo);
    EXPECT_TRUE(o.configMode);
}

TEST(CommandLine, RegistryMessageKeepsItsPlaceBeforeTheProfileWarning) {
    TempDir cache;
    TempDir data;
    StartOptions o;
    CommandLineOutcome out = Evaluate({"-r", "-s", "9", "-l"}, o);
    ASSERT_TRUE(out.deleteRegistry);
    ApplyCommandLineEffects(out, o, data.Path(), cache.Path());
    ASSERT_EQ(out.messages.size(), 2u);
    EXPECT_EQ(out.messages[0].first,
              wxString::FromUTF8("Die GStreamer-Registry konnte nicht gelöscht werden!"));
    EXPECT_EQ(out.messages[1].second, MessageIcon::Exclamation);
    EXPECT_TRUE(wxFileName::FileExists(data.File("tessaro.dbg")));
}

TEST(CommandLine, DebugDumpIsTruncated) {
    TempDir data;
    WriteAll(data.File("tessaro.dbg"), "alter Inhalt");
    EXPECT_TRUE(CreateDebugDump(data.Path()));
    EXPECT_EQ(ReadAll(data.File("tessaro.dbg")), "");
    EXPECT_FALSE(CreateDebugDump(data.Path() + "fehlt/"));
}

} // namespace
