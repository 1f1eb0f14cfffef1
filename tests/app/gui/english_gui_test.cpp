// The whole program with GENERAL/Language=EN under Xvfb: the windows loaded from the
// XRC resources, the texts the code puts into them and its messages come out in English.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/filefn.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "temp_dir.h"
#include "app/app.h"
#include "app/splash_frame.h"
#include "app_harness.h"
#include "ui/main_frame.h"

namespace {

class EnglishGui : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X server (run under Xvfb)";
        ASSERT_TRUE(wxMkdir(home.File(".tessaro")));
        WriteAll(home.File(".tessaro/tessaro.cfg"), "[GENERAL]\nLanguage=EN\n"
                                                    "[PROFILE1]\nName=K\xC3\xBC"
                                                    "che\nHost=127.0.0.1\nUser=root\nPass=pw\n"
                                                    "WPort=80\nSPort=8001\nHttps=0\n");
    }
    TempDir home;
};

void ExpectText(AppDriver& d, const char* what, const wxString& shown, const wxString& expected) {
    if (shown != expected)
        d.Fail(std::string(what) + " is \"" + shown.utf8_string() + "\", not \"" + expected.utf8_string() +
               "\"");
}

AppStep CheckSetupDialog() {
    return [](AppDriver& d) {
        wxDialog* dialog = d.SetupDialog();
        ExpectText(d, "the dialog title", dialog->GetTitle(), "Configuration");
        if (auto* book = dynamic_cast<wxNotebook*>(d.Control(dialog, "ID_BOOK"));
            book && book->GetPageCount() > 0)
            ExpectText(d, "the first page", book->GetPageText(0), "Network");
        if (auto* label = dynamic_cast<wxStaticText*>(d.Control(dialog, "wxID_STATIC_ADDR")))
            ExpectText(d, "the address label", label->GetLabel(), "Address:");
        if (wxTextCtrl* address = d.Text(dialog, "ID_TEXTCTRL_ADDR"))
            ExpectText(d, "the address tool-tip", address->GetToolTipText(),
                       "Host name or IPv4 address of the box");
        return true;
    };
}

AppStep SetPasswordAndApply(const char* password) {
    return [=](AppDriver& d) {
        d.Text(d.SetupDialog(), "ID_TEXTCTRL_PASS")->SetValue(password);
        d.Click(d.SetupDialog(), "ID_BUTTON_APPLY");
        return true;
    };
}

AppStep CheckSplashAndMainWindow() {
    return [](AppDriver& d) {
        MyApp& app = d.App();
        if (auto* text = dynamic_cast<wxStaticText*>(d.Control(app.splashFrame, "ID_STATICTEXT_SPLASHTEXT")))
            ExpectText(d, "the splash text", text->GetLabel(), "Preparing the user interface...");
        wxMenuBar* menus = app.mainFrame->GetMenuBar();
        ExpectText(d, "the first menu", menus->GetMenuLabelText(0), "File");
        // The code finds this menu by its translated title to fill in the profiles:
        // the XRC label and the code's text must translate alike.
        const int settings = menus->FindMenu("Settings");
        if (settings == wxNOT_FOUND) {
            d.Fail("no menu \"Settings\"");
            return true;
        }
        ExpectText(d, "the first profile", menus->GetLabel(XRCID("ID_MENUITEM_BOX1")),
                   wxString::FromUTF8("#1: Küche"));
        ExpectText(d, "an unused profile", menus->GetLabel(XRCID("ID_MENUITEM_BOX2")), "#2: unused");
        ExpectText(d, "a profile item's help", menus->GetHelpString(XRCID("ID_MENUITEM_BOX3")),
                   "Stream from box #3");
        return true;
    };
}

TEST_F(EnglishGui, WindowsAndMessagesAreEnglish) {
    AppScript script;
    script.startupSequence = false;
    script.Then(WaitForSetupDialog())
        .Then(CheckSetupDialog())
        .Then(SetPasswordAndApply(""))
        .Then([](AppDriver& d) { return !d.Messages().empty(); })
        .Then(SetPasswordAndApply("pw"))
        .Then(WaitForSplash())
        .Then(CheckSplashAndMainWindow())
        .Then(CloseMainWindow());

    const AppRun run = RunApp(home.Path(), {"-c"}, script);
    EXPECT_TRUE(run.failure.empty()) << run.failure << " (after " << run.stepsDone << " steps)";
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].text.utf8_string(),
              "The profile \"Küche\" is incomplete.\n\nPlease fill in all fields!");
    EXPECT_EQ(run.messages[0].icon, MessageIcon::Exclamation);
}

} // namespace
