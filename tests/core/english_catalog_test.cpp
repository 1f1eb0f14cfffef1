// With GENERAL/Language "EN" the program chooses the shipped lng/en.mo and shows its
// texts in English: these run real text-producing code under that catalogue.
#include <gtest/gtest.h>

#include <wx/tokenzr.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "core/catalog.h"
#include "core/command_line.h"
#include "core/settings_store.h"
#include "temp_dir.h"

namespace {

class EnglishCatalog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wxMkdir(program.File("lng")));
        WriteAll(program.File("lng/en.mo"), ReadAll(SHIPPED_EN_MO));
    }
    void TearDown() override { wxTranslations::Set(nullptr); } // the other tests expect German

    // What MyApp does at start-up with the language of the settings file.
    void ChooseAsTheProgramDoes(wxString language) {
        const LanguageChoice choice = ChooseLanguage(program.Path(), language);
        ASSERT_TRUE(choice.useCatalog);
        ASSERT_TRUE(InstallCatalog(choice.moFile, language.Lower()));
    }

    TempDir program;
};

TEST_F(EnglishCatalog, HelpTextBuiltFromSeveralLiteralsIsTranslatedAsAWhole) {
    // The lookup key is the whole joined text; a catalogue made from its first piece
    // alone would leave the help German.
    const wxString german = CommandLineHelpText();
    ChooseAsTheProgramDoes("EN");
    const wxString english = CommandLineHelpText();
    ASSERT_NE(english, german);
    EXPECT_TRUE(english.StartsWith("supported command-line parameters:\n\n")) << english;

    // The option names themselves must come through unchanged, line for line.
    const wxArrayString germanLines = wxStringTokenize(german, "\n", wxTOKEN_RET_EMPTY_ALL);
    const wxArrayString englishLines = wxStringTokenize(english, "\n", wxTOKEN_RET_EMPTY_ALL);
    ASSERT_EQ(englishLines.size(), germanLines.size());
    for (size_t i = 0; i < germanLines.size(); ++i) {
        if (germanLines[i].StartsWith("-")) {
            EXPECT_EQ(englishLines[i], germanLines[i]) << "line " << i;
        } else if (germanLines[i].StartsWith("\t")) {
            EXPECT_TRUE(englishLines[i].StartsWith("\t") && englishLines[i].length() > 1) << "line " << i;
        }
    }
}

TEST_F(EnglishCatalog, CommandLineErrorIsEnglish) {
    ChooseAsTheProgramDoes("EN");
    StartOptions options;
    wxArrayString args;
    args.Add("--bogus");
    const CommandLineOutcome outcome = EvaluateCommandLine(args, 1, options);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].first,
              "A command-line parameter is invalid!\n\nUse -h or --help to list the possible parameters...");
}

TEST_F(EnglishCatalog, MessagesWithPlaceholdersAreFilledInTheEnglishText) {
    ChooseAsTheProgramDoes("en");
    AppSettings settings;
    settings.profileCount = 1;
    settings.profiles[0] = ReceiverProfile{wxString::FromUTF8("Küche"), "box.local", "root", "", 80, 8001, 0};
    const HostResolver any = [](const wxString&) { return true; };
    wxString message;
    EXPECT_FALSE(ValidateSettingsForApply(settings, message, any));
    EXPECT_EQ(message,
              wxString::FromUTF8("The profile \"Küche\" is incomplete.\n\nPlease fill in all fields!"));

    settings.profiles[0].Pass = "pw";
    settings.profiles[0].SPort = 70000;
    EXPECT_FALSE(ValidateSettingsForApply(settings, message, any));
    EXPECT_EQ(message, wxString::FromUTF8("Invalid port for profile \"Küche\":\n\n70000"));
}

} // namespace
