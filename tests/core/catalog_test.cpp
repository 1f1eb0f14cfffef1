#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <wx/translation.h>
#include <wx/utils.h>

#include "core/catalog.h"
#include "temp_dir.h"

namespace {

TEST(TranslatorCredit, ReadsTheTeamFromRealCatalogues) {
    EXPECT_EQ(ReadTranslatorCredit(CREDIT_MO), wxString::FromUTF8("Übersetzer Müller "));
    EXPECT_EQ(ReadTranslatorCredit(SHIPPED_EN_MO), "Tessaro Translators ");
}

void PutWord(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

TEST(TranslatorCredit, BrokenFilesGiveNothing) {
    const std::string good = ReadAll(CREDIT_MO);
    ASSERT_GT(good.size(), 64u);
    std::vector<std::pair<const char*, std::string>> broken = {
        {"empty", ""},
        {"shorter than the table offset", good.substr(0, 18)},
        {"cut inside the table", good.substr(0, 30)},
        {"cut before the header", good.substr(0, 40)},
        {"not a catalogue", std::string(600, 'L')},
    };
    std::string tableOutside = good;
    PutWord(tableOutside, 16, 0xfffffff0u);
    broken.emplace_back("table offset beyond the end", tableOutside);
    std::string headerOutside = good;
    uint32_t table = 0;
    for (int i = 3; i >= 0; --i)
        table = table << 8 | static_cast<unsigned char>(good[16 + i]);
    PutWord(headerOutside, table + 4, 0x7fffffffu);
    broken.emplace_back("header offset beyond the end", headerOutside);

    for (const auto& [what, bytes] : broken) {
        TempDir dir;
        WriteAll(dir.File("x.mo"), bytes);
        EXPECT_EQ(ReadTranslatorCredit(dir.File("x.mo")), "") << what;
    }
    EXPECT_EQ(ReadTranslatorCredit("/nonexistent/x.mo"), "");
}

TEST(Language, ChoosesACatalogueOnlyWhenItExists) {
    TempDir program;
    ASSERT_TRUE(wxMkdir(program.File("lng")));
    WriteAll(program.File("lng/en.mo"), ReadAll(SHIPPED_EN_MO));
    struct Case {
        const char* language;
        bool catalog;
        const char* after;
    };
    for (const Case& c : {Case{"DE", false, "DE"}, Case{"de", false, "de"}, Case{"EN", true, "EN"},
                          Case{"fr", false, "DE"}, Case{"", false, "DE"}}) {
        wxString language = c.language;
        const LanguageChoice choice = ChooseLanguage(program.Path(), language);
        EXPECT_EQ(choice.useCatalog, c.catalog) << c.language;
        EXPECT_EQ(language, c.after) << c.language;
        if (c.catalog) {
            EXPECT_EQ(choice.catalogName, "en.mo");
            EXPECT_EQ(choice.moFile, program.File("lng/en.mo"));
        }
    }
}

TEST(Language, ShippedEnglishCatalogueTranslates) {
    ASSERT_TRUE(InstallCatalog(SHIPPED_EN_MO, "en"));
    EXPECT_EQ(wxGetTranslation(L"Ungültiger Proxy-Port!"), "Invalid proxy port!");
    EXPECT_EQ(wxGetTranslation("intern "), "internal ");
    wxTranslations::Set(nullptr); // the other tests expect the German texts
}

TEST(Environment, ProxyVariablesAreRemoved) {
    for (const char* name : {"https_proxy", "http_proxy", "ftp_proxy"})
        wxSetEnv(name, "http://proxy:3128");
    wxSetEnv("no_proxy", "localhost");
    RemoveProxyEnvironment();
    for (const char* name : {"https_proxy", "http_proxy", "ftp_proxy"})
        EXPECT_FALSE(wxGetEnv(name, nullptr)) << name;
    EXPECT_TRUE(wxGetEnv("no_proxy", nullptr));
    wxUnsetEnv("no_proxy");
}

} // namespace

TEST(Environment, GermanTextsSurviveAPlainCLocale) {
    // Under "C" the literal-to-wxString conversion drops every text with an umlaut;
    // the program must switch to a UTF-8 character set before it shows any text.
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    EXPECT_TRUE(EnsureUtf8CharacterSet());
    const wxString text("Tessaro läuft bereits auf diesem System.");
    EXPECT_EQ(text.length(), 40u);
    std::setlocale(LC_CTYPE, saved.c_str());
}
