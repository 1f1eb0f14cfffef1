// Language choice, translation catalogues and the proxy environment.
//
// Catalogues are GNU MO files at <program dir>/lng/<language>.mo (e.g. "lng/en.mo").
// wx 3.2's file loader only looks in <prefix>/<lang>/LC_MESSAGES/ and <prefix>/<lang>/
// and only loads a catalogue for the language the locale chose, so InstallCatalog
// hands the file to wxTranslations through its own loader instead; call it after
// the wxLocale has been created. German is the source language and needs none.
#pragma once

#include <wx/string.h>

struct LanguageChoice {
    bool useCatalog = false; // false: the built-in German texts
    wxString catalogName;    // lower-cased language + ".mo"
    wxString moFile;         // program dir + "lng" + separator + catalogName
};

// Compares the lower-cased language with "de"; a non-German language without a
// catalogue file is reset to "DE".
LanguageChoice ChooseLanguage(const wxString& programDir, wxString& language);

// Loads moFile as the translation to `language` (e.g. "en") into the current
// wxTranslations (created when there is none). Returns false when the file is no
// valid catalogue.
bool InstallCatalog(const wxString& moFile, const wxString& language);

// The team named in the catalogue header's "Language-Team:" line up to the "<" of
// its e-mail address (the blank before it stays, like the default "intern "). Empty
// when the file is missing, truncated or not a catalogue.
wxString ReadTranslatorCredit(const wxString& moFile);

// Removes https_proxy, http_proxy and ftp_proxy from our environment: the proxy of
// the settings is the only one used.
void RemoveProxyEnvironment();

// Our source texts are UTF-8 literals that wxString converts with the C library's
// character set; under a non-UTF-8 locale ("C", as in many service environments)
// every text with an umlaut would come out empty. Switches LC_CTYPE to a UTF-8
// locale when the current one is not; returns whether the character set is UTF-8.
bool EnsureUtf8CharacterSet();
