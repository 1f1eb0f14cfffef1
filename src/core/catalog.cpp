#include "core/catalog.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <langinfo.h>

#include <wx/filename.h>
#include <wx/translation.h>
#include <wx/utils.h>

namespace {

// Hands one known file to wxTranslations, whatever language the locale chose.
class SingleFileLoader : public wxTranslationsLoader {
public:
    SingleFileLoader(const wxString& file, const wxString& lang) : file_(file), lang_(lang) {}
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override {
        return lang == lang_ ? wxMsgCatalog::CreateFromFile(file_, domain) : nullptr;
    }
    wxArrayString GetAvailableTranslations(const wxString&) const override {
        return wxArrayString(1, &lang_);
    }

private:
    wxString file_;
    wxString lang_;
};

constexpr long kHeaderBytes = 512;

bool ReadAt(FILE* file, long offset, void* buffer, size_t size) {
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(buffer, 1, size, file) == size;
}

uint32_t LittleEndian32(const unsigned char* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

bool ReadWord(FILE* file, long offset, long fileSize, uint32_t& value) {
    unsigned char bytes[4];
    if (offset < 0 || offset + 4 > fileSize || !ReadAt(file, offset, bytes, sizeof bytes))
        return false;
    value = LittleEndian32(bytes);
    return true;
}

// Up to 512 bytes of the first translation (the catalogue header), never reading
// outside the file.
bool ReadHeaderBytes(FILE* file, std::string& header) {
    if (std::fseek(file, 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file);
    uint32_t magic = 0, table = 0, first = 0;
    if (!ReadWord(file, 0, size, magic) || magic != 0x950412deu)
        return false;
    if (!ReadWord(file, 16, size, table) || !ReadWord(file, long(table) + 4, size, first))
        return false;
    if (long(first) >= size)
        return false;
    header.resize(static_cast<size_t>(std::min(kHeaderBytes, size - long(first))));
    return ReadAt(file, long(first), header.data(), header.size());
}

} // namespace

LanguageChoice ChooseLanguage(const wxString& programDir, wxString& language) {
    LanguageChoice choice;
    const wxString lower = language.Lower();
    if (lower == "de")
        return choice;
    choice.catalogName = lower + ".mo";
    choice.moFile = programDir + "lng" + wxFILE_SEP_PATH + choice.catalogName;
    if (!lower.empty() && wxFileName::FileExists(choice.moFile)) {
        choice.useCatalog = true;
        return choice;
    }
    language = "DE";
    return LanguageChoice{};
}

bool InstallCatalog(const wxString& moFile, const wxString& language) {
    wxTranslations* translations = wxTranslations::Get();
    if (!translations) {
        translations = new wxTranslations;
        wxTranslations::Set(translations);
    }
    const wxString lang = language.Lower();
    translations->SetLoader(new SingleFileLoader(moFile, lang));
    translations->SetLanguage(lang);
    // Our source texts are German, so German needs no catalogue.
    return translations->AddCatalog(wxFileName(moFile).GetName(), wxLANGUAGE_GERMAN);
}

wxString ReadTranslatorCredit(const wxString& moFile) {
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(moFile.fn_str(), "rb"), std::fclose);
    std::string bytes;
    if (!file || !ReadHeaderBytes(file.get(), bytes))
        return wxString();
    // 512 bytes may end inside a UTF-8 sequence; decode what is valid.
    wxString header = wxString::FromUTF8(bytes.data(), bytes.size());
    for (size_t cut = 1; header.empty() && cut <= 3 && cut < bytes.size(); ++cut)
        header = wxString::FromUTF8(bytes.data(), bytes.size() - cut);
    const int start = header.Find("Language-Team:");
    if (start == wxNOT_FOUND)
        return wxString();
    const wxString line = header.Mid(static_cast<size_t>(start) + 15).BeforeFirst('\n');
    return line.BeforeFirst('<');
}

void RemoveProxyEnvironment() {
    for (const char* name : {"https_proxy", "http_proxy", "ftp_proxy"})
        wxUnsetEnv(name);
}

bool EnsureUtf8CharacterSet() {
    auto isUtf8 = [] {
        wxString codeset(nl_langinfo(CODESET), wxConvISO8859_1);
        codeset.MakeLower();
        return codeset == "utf-8" || codeset == "utf8";
    };
    if (isUtf8())
        return true;
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name) && isUtf8())
            return true;
    }
    return false;
}
