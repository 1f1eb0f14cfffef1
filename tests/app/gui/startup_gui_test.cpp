// The program's start paths under Xvfb, from the command line to the configuration
// dialog and the main window, with messages recorded instead of shown.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include <wx/bmpbuttn.h>
#include <wx/bmpcbox.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/uiaction.h>
#include <wx/xrc/xmlres.h>

#include "app/app.h"
#include "app/key_command.h"
#include "app_harness.h"
#include "core/settings_store.h"
#include "e2sim_fixture.h"
#include "temp_dir.h"
#include "ui/main_frame.h"

namespace {
// What the program returns when OnInit ends it (the toolkit's error exit code).
constexpr int kEndedEarly = -1;
const wxString kNoConfiguration =
    L"Es wurde keine gültige Konfiguration gefunden!\n\nDas Programm wird nun beendet...";

class StartupGui : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X server (run under Xvfb)";
    }
    TempDir home;
};

// What a fresh process reads back from the data directory.
struct Loaded {
    int count = -1;
    wxString name, host, pass;
};

Loaded LoadBack(const wxString& home) {
    char pattern[] = "/tmp/tessaro-loadback-XXXXXX";
    const int fd = mkstemp(pattern);
    close(fd);
    const std::string out = pattern;
    RunInChild([&] {
        wxInitializer init;
        AppSettings settings;
        StartOptions options;
        const int count = LoadSettingsFrom(settings, options, home + ".tessaro/");
        std::ofstream file(out, std::ios::binary);
        file << count << '\n'
             << settings.profiles[0].Name.utf8_string() << '\n'
             << settings.profiles[0].Host.utf8_string() << '\n'
             << settings.profiles[0].Pass.utf8_string() << '\n';
        return 0;
    });
    Loaded loaded;
    std::ifstream in(out, std::ios::binary);
    std::string name, host, pass;
    in >> loaded.count;
    in.ignore();
    std::getline(in, name);
    std::getline(in, host);
    std::getline(in, pass);
    loaded.name = wxString::FromUTF8(name);
    loaded.host = wxString::FromUTF8(host);
    loaded.pass = wxString::FromUTF8(pass);
    std::remove(pattern);
    return loaded;
}

AppStep SetField(const char* name, const wxString& value) {
    return [=](AppDriver& d) {
        d.Text(d.SetupDialog(), name)->SetValue(value); // SetValue sends the change event
        return true;
    };
}

AppStep Click(const char* name) {
    return [=](AppDriver& d) {
        d.Click(d.SetupDialog(), name);
        return true;
    };
}

AppStep WaitForMessages(std::size_t count) {
    return [=](AppDriver& d) { return d.Messages().size() >= count; };
}

AppStep ExpectDialogStillOpen() {
    return [](AppDriver& d) {
        if (d.SetupDialog() == nullptr)
            d.Fail("the dialog closed");
        return true;
    };
}

std::string Describe(const std::vector<RecordedMessage>& messages) {
    std::string text;
    for (const RecordedMessage& m : messages)
        text += "[" + std::to_string(static_cast<int>(m.icon)) + "] " + m.text.utf8_string() + "\n";
    return text;
}

void ExpectMessages(const AppRun& run, const std::vector<RecordedMessage>& expected) {
    ASSERT_EQ(run.messages.size(), expected.size()) << Describe(run.messages);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(run.messages[i].text, expected[i].text) << "message " << i;
        EXPECT_EQ(run.messages[i].icon, expected[i].icon) << "message " << i;
    }
}

void ExpectCleanEnd(const AppRun& run, int exitCode) {
    EXPECT_TRUE(run.failure.empty()) << run.failure << " (after " << run.stepsDone << " steps)";
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, exitCode);
}
} // namespace

TEST_F(StartupGui, EmptyHomeOpensKonfigurationAndTypedHostIsSavedAndLoadsBack) {
    AppScript script;
    script.startupSequence = false;
    script.Then(WaitForSetupDialog())
        .Then([](AppDriver& d) {
            if (d.SetupDialog()->GetTitle() != "Konfiguration")
                d.Fail("title " + d.SetupDialog()->GetTitle().utf8_string());
            return true;
        })
        .Then(WaitPolls(15))
        .Then([](AppDriver& d) {
            d.Screenshot("setup_dialog.png");
            return true;
        })
        .Then([](AppDriver& d) {
            // Typed for real: the key filter must leave keys to the text field. The
            // pointer goes into the field first, since without a window manager the
            // keyboard follows the pointer.
            wxTextCtrl* host = d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR");
            wxUIActionSimulator sim;
            sim.MouseMove(host->GetScreenPosition() + wxPoint(10, host->GetSize().y / 2));
            sim.MouseClick();
            return true;
        })
        .Then(WaitPolls(5))
        .Then([](AppDriver& d) {
            wxTextCtrl* host = d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR");
            host->SetFocus();
            host->SelectAll();
            wxUIActionSimulator().Text("localhost");
            return true;
        })
        .Then([](AppDriver& d) {
            return d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR")->GetValue() == "localhost";
        })
        .Then(Click("ID_BUTTON_APPLY"))
        .Then(WaitForSplash())
        .Then(WaitPolls(15))
        .Then([](AppDriver& d) {
            d.Screenshot("splash_window.png");
            return true;
        })
        .Then(CloseMainWindow());

    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, 0);
    EXPECT_TRUE(run.messages.empty()) << run.messages.front().text;
    const Loaded loaded = LoadBack(home.Path());
    EXPECT_EQ(loaded.count, 1);
    EXPECT_EQ(loaded.name, "Tunerbox");
    EXPECT_EQ(loaded.host, "localhost");
}

// After a first-start configuration the program runs as after any start: the menu
// names the profile as configured, and closing runs the whole close sequence (the
// question, the pipeline let go of the windows) instead of tearing windows away from a
// playing video sink.
TEST_F(StartupGui, FirstStartConfigurationLeadsToTheFullProgramAndItsCloseSequence) {
    E2SimProcess sim;
    ASSERT_TRUE(sim.Start());
    AppScript script;
    script.Then(WaitForSetupDialog())
        .Then([&sim](AppDriver& d) {
            d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR")->SetValue("localhost");
            d.Text(d.SetupDialog(), "ID_TEXTCTRL_PORT")->SetValue(wxString::Format("%d", sim.webPort()));
            d.Text(d.SetupDialog(), "ID_TEXTCTRL_STREAMPROXY")
                ->SetValue(wxString::Format("%d", sim.streamPort()));
            d.Text(d.SetupDialog(), "ID_TEXTCTRL_PASS")->SetValue("tunerpwd");
            return true;
        })
        .Then(Click("ID_BUTTON_APPLY"))
        .Then(WaitForMainWindow())
        .Then([](AppDriver& d) {
            // Playing: the close has a running video sink to settle.
            return d.App().mainFrame->streamPlaying;
        })
        .Then([](AppDriver& d) {
            wxMenuBar* bar = d.App().mainFrame->GetMenuBar();
            if (bar->GetLabel(XRCID("ID_MENUITEM_BOX1")) != "#1: Tunerbox")
                d.Fail("profile menu says " + bar->GetLabel(XRCID("ID_MENUITEM_BOX1")).utf8_string());
            d.App().mainFrame->Close();
            return true;
        });
    script.answers = {wxYES};
    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, 0);
    ASSERT_FALSE(run.messages.empty());
    EXPECT_EQ(run.messages.back().text, L"Das Programm wirklich beenden?");
}

TEST_F(StartupGui, IncompleteProfileIsRefusedWithItsMessageAndTheDialogKeepsTheEdits) {
    AppScript script;
    script.startupSequence = false;
    script.Then(WaitForSetupDialog())
        .Then(SetField("ID_TEXTCTRL_ADDR", "localhost"))
        .Then(SetField("ID_TEXTCTRL_PASS", ""))
        .Then(Click("ID_BUTTON_APPLY"))
        .Then(WaitForMessages(1))
        .Then(ExpectDialogStillOpen())
        .Then([](AppDriver& d) {
            if (d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR")->GetValue() != "localhost")
                d.Fail("the edits were lost");
            return true;
        })
        .Then(SetField("ID_TEXTCTRL_PASS", L"geheim"))
        .Then(Click("ID_BUTTON_APPLY"))
        .Then(WaitForSplash())
        .Then(CloseMainWindow());

    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, 0);
    ExpectMessages(run, {{L"Das Profil \"Tunerbox\" ist unvollständig.\n\nBitte alle Felder ausfüllen!",
                          MessageIcon::Exclamation}});
    const Loaded loaded = LoadBack(home.Path());
    EXPECT_EQ(loaded.count, 1);
    EXPECT_EQ(loaded.pass, "geheim");
}

TEST_F(StartupGui, CancelAsksBeforeDiscardingEditsThenEndsWithTheNoConfigurationMessage) {
    AppScript script;
    script.startupSequence = false;
    script.answers = {wxNO, wxYES};
    script.Then(WaitForSetupDialog())
        .Then(SetField("ID_TEXTCTRL_ADDR", "localhost"))
        .Then(Click("ID_BUTTON_CANCEL"))
        .Then(WaitForMessages(1))
        .Then(ExpectDialogStillOpen()) // "No" keeps the dialog
        .Then(Click("ID_BUTTON_CANCEL"));

    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, 0);
    ExpectMessages(run, {{L"Alle Änderungen wirklich verwerfen?", MessageIcon::Question},
                         {L"Alle Änderungen wirklich verwerfen?", MessageIcon::Question},
                         {kNoConfiguration, MessageIcon::Error}});
    const Loaded loaded = LoadBack(home.Path());
    EXPECT_EQ(loaded.count, 0) << "the example profile must still count as unconfigured";
    EXPECT_EQ(loaded.host, "127.0.0.1");
}

TEST_F(StartupGui, HelpShowsTheHelpTextAndEndsBeforeAnyWindow) {
    const AppRun run = RunApp(home.Path(), {"--help"}, AppScript{});
    ExpectCleanEnd(run, kEndedEarly);
    ExpectMessages(run, {{L"unterstützte Kommandozeilen-Parameter:\n\n-c, --config\n\tKonfigurationsdialog "
                          L"anzeigen\n\n-d, --debug=Level\n\tGStreamer Debuglevel\n\n-f, "
                          L"--fallback\n\tlangsame/kompatible Videoausgabe verwenden\n\n-h, --help\n\tHilfe "
                          L"anzeigen\n\n-l, --logfile\n\tLogdatei schreiben\n\n-m, --mode=n\n\tStartmodus "
                          L"(1=Fenster, 2=Vollbild, 3=Desktop)\n\n-o, "
                          L"--override=sRef\n\tStartkanal-ServiceReferenz angeben\n\n-r, "
                          L"--rebuild\n\tGStreamer-Registry neu erstellen\n\n-s, --source=n\n\tBox #n "
                          L"verwenden\n\n-v, --verbose\n\tHinweise aktivieren\n\n",
                          MessageIcon::Information}});
}

TEST_F(StartupGui, MalformedOptionShowsTheSyntaxErrorEvenWithHelp) {
    const AppRun run = RunApp(home.Path(), {"-h", "--bogus"}, AppScript{});
    ExpectCleanEnd(run, kEndedEarly);
    ExpectMessages(run,
                   {{L"Ein Kommandozeilen-Parameter ist fehlerhaft!\n\nDie möglichen Parameter können mit -h "
                     L"oder --help angezeigt werden...",
                     MessageIcon::Error}});
}

TEST_F(StartupGui, RunningCopyOfTheSameUserIsDetectedAndNoEndsTheProgram) {
    // The lock of another running copy: the per-user place is $HOME.
    const wxString lock = home.File("Tessaro E2");
    WriteAll(lock, std::to_string(getpid()) + "\n"); // this test process: surely running
    ASSERT_EQ(chmod(lock.utf8_str(), 0600), 0);
    AppScript script;
    script.answers = {wxNO};
    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, kEndedEarly);
    ExpectMessages(run, {{L"Tessaro läuft bereits auf diesem System.\n\nSoll es nochmal gestartet werden?",
                          MessageIcon::Question}});
}

TEST_F(StartupGui, FailedSaveIsReportedAndTheDialogDoesNotClaimSuccess) {
    // $HOME is a plain file: the data directory cannot be created.
    const wxString fileHome = home.File("not-a-directory");
    WriteAll(fileHome, "x");
    AppScript script;
    script.startupSequence = false;
    script.answers = {wxYES};
    script.textAnswers = {"Box"};
    script.Then(WaitForSetupDialog())
        .Then(Click("ID_BITMAPBUTTON_RENAME"))
        .Then(SetField("ID_TEXTCTRL_ADDR", "localhost"))
        .Then(SetField("ID_TEXTCTRL_PORT", "80"))
        .Then(SetField("ID_TEXTCTRL_STREAMPROXY", "8001"))
        .Then(SetField("ID_TEXTCTRL_USER", "root"))
        .Then(SetField("ID_TEXTCTRL_PASS", "x"))
        .Then(Click("ID_BUTTON_APPLY"))
        .Then(WaitForMessages(1))
        .Then(ExpectDialogStillOpen())
        .Then(Click("ID_BUTTON_CANCEL"));

    const AppRun run = RunApp(fileHome + "/", {}, script);
    ExpectCleanEnd(run, 0);
    ExpectMessages(run, {{L"Die Einstellungen konnten nicht gespeichert werden!", MessageIcon::Error},
                         {L"Alle Änderungen wirklich verwerfen?", MessageIcon::Question},
                         {kNoConfiguration, MessageIcon::Error}});
}

TEST_F(StartupGui, ProfileButtonsAddMoveDeleteAndFollowTheListInTheDialog) {
    AppScript script;
    script.startupSequence = false;
    script.textAnswers = {L"Zweitbox"};
    script.answers = {wxYES};
    auto expectButtons = [](bool up, bool down, bool del) {
        return [=](AppDriver& d) {
            wxDialog* dialog = d.SetupDialog();
            if (d.Control(dialog, "ID_BITMAPBUTTON_UP")->IsEnabled() != up ||
                d.Control(dialog, "ID_BITMAPBUTTON_DOWN")->IsEnabled() != down ||
                d.Control(dialog, "ID_BITMAPBUTTON_DEL")->IsEnabled() != del)
                d.Fail("profile buttons in the wrong state");
            return true;
        };
    };
    script.Then(WaitForSetupDialog())
        .Then(expectButtons(false, false, false))
        .Then(Click("ID_BITMAPBUTTON_ADD"))
        .Then([](AppDriver& d) {
            auto* list =
                dynamic_cast<wxBitmapComboBox*>(d.Control(d.SetupDialog(), "ID_BITMAPCOMBOBOX_PROFILES"));
            return list != nullptr && list->GetCount() == 2;
        })
        .Then([](AppDriver& d) {
            auto* list =
                dynamic_cast<wxBitmapComboBox*>(d.Control(d.SetupDialog(), "ID_BITMAPCOMBOBOX_PROFILES"));
            if (list->GetSelection() != 1 || list->GetString(1) != "Zweitbox" ||
                d.Text(d.SetupDialog(), "ID_TEXTCTRL_STREAMPROXY")->GetValue() != "8001")
                d.Fail("the new profile is not selected with its example values");
            return true;
        })
        .Then(expectButtons(true, false, true))
        .Then(SetField("ID_TEXTCTRL_ADDR", "localhost"))
        .Then(Click("ID_BITMAPBUTTON_UP"))
        .Then(WaitPolls(2))
        .Then(expectButtons(false, true, true))
        .Then([](AppDriver& d) {
            // Select "Tunerbox" (now second) and delete it.
            auto* list =
                dynamic_cast<wxBitmapComboBox*>(d.Control(d.SetupDialog(), "ID_BITMAPCOMBOBOX_PROFILES"));
            list->SetSelection(1);
            wxCommandEvent event(wxEVT_COMBOBOX, list->GetId());
            event.SetInt(1);
            event.SetEventObject(list);
            list->GetEventHandler()->ProcessEvent(event);
            return d.Text(d.SetupDialog(), "ID_TEXTCTRL_ADDR")->GetValue() == "127.0.0.1";
        })
        .Then(Click("ID_BITMAPBUTTON_DEL"))
        .Then(WaitForMessages(1))
        .Then(WaitPolls(2))
        .Then(expectButtons(false, false, false))
        .Then(Click("ID_BUTTON_APPLY"))
        .Then(WaitForSplash())
        .Then(CloseMainWindow());

    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, 0);
    ExpectMessages(run, {{L"Soll das Profil \"Tunerbox\" wirklich gelöscht werden?", MessageIcon::Question}});
    const Loaded loaded = LoadBack(home.Path());
    EXPECT_EQ(loaded.count, 1);
    EXPECT_EQ(loaded.name, "Zweitbox");
    EXPECT_EQ(loaded.host, "localhost");
}

TEST_F(StartupGui, KeyFilterHandsKeysToKeyCommandHandlersAndPassesUnusedOnes) {
    AppScript script;
    script.startupSequence = false;
    script.Then(WaitForSetupDialog())
        .Then([](AppDriver& d) {
            wxWindow* field = d.Text(d.SetupDialog(), "ID_TEXTCTRL_USER");
            int seen = 0;
            bool use = true;
            auto handler = [&](wxCommandEvent& event) {
                seen = event.GetId();
                event.Skip(!use);
            };
            d.SetupDialog()->Bind(KeyCommandEvent, handler); // reached through the parent chain
            wxKeyEvent key(wxEVT_KEY_DOWN);
            key.m_keyCode = 'Q';
            key.SetEventObject(field);
            if (d.App().FilterEvent(key) != wxEventFilter::Event_Processed || seen != 'Q')
                d.Fail("a used key was not turned into a KeyCommandEvent with its code");
            use = false;
            key.m_keyCode = WXK_F1;
            if (d.App().FilterEvent(key) != wxEventFilter::Event_Skip || seen != WXK_F1)
                d.Fail("a key that no window used did not go on to the control");
            wxCommandEvent other(wxEVT_BUTTON);
            if (d.App().FilterEvent(other) != wxEventFilter::Event_Skip)
                d.Fail("another event was filtered");
            d.SetupDialog()->Unbind(KeyCommandEvent, handler);
            return true;
        })
        .Then(Click("ID_BUTTON_CANCEL"));

    const AppRun run = RunApp(home.Path(), {}, script);
    ExpectCleanEnd(run, 0);
    ExpectMessages(run, {{kNoConfiguration, MessageIcon::Error}});
}
