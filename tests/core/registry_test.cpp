#include <gtest/gtest.h>

#include <wx/filename.h>
#include <wx/utils.h>

#include "core/registry.h"
#include "temp_dir.h"

namespace {

const char* const kDeleted = "Die GStreamer-Registry wurde gelöscht und wird nun neu erstellt.";
const char* const kNotDeleted = "Die GStreamer-Registry konnte nicht gelöscht werden!";

TEST(Registry, DeletesEveryRegistryFileAndNothingElse) {
    TempDir cache;
    ASSERT_TRUE(wxFileName::Mkdir(cache.File("gstreamer-1.0"), 0777, wxPATH_MKDIR_FULL));
    for (const char* name : {"registry.x86_64.bin", "registry.i686.bin", "other.bin", "registry.x86_64.txt"})
        WriteAll(cache.File(wxString("gstreamer-1.0/") + name), "data");
    wxString message;
    MessageIcon icon = MessageIcon::Error;
    EXPECT_TRUE(DeleteGStreamerRegistry(cache.Path(), message, icon));
    EXPECT_EQ(message, wxString::FromUTF8(kDeleted));
    EXPECT_EQ(icon, MessageIcon::Information);
    EXPECT_FALSE(wxFileName::FileExists(cache.File("gstreamer-1.0/registry.x86_64.bin")));
    EXPECT_FALSE(wxFileName::FileExists(cache.File("gstreamer-1.0/registry.i686.bin")));
    EXPECT_TRUE(wxFileName::FileExists(cache.File("gstreamer-1.0/other.bin")));
    EXPECT_TRUE(wxFileName::FileExists(cache.File("gstreamer-1.0/registry.x86_64.txt")));
}

TEST(Registry, NothingToDeleteIsReportedAsFailure) {
    TempDir cache;
    wxString message;
    MessageIcon icon = MessageIcon::Information;
    EXPECT_FALSE(DeleteGStreamerRegistry(cache.Path(), message, icon));
    EXPECT_EQ(message, wxString::FromUTF8(kNotDeleted));
    EXPECT_EQ(icon, MessageIcon::Exclamation);

    ASSERT_TRUE(wxMkdir(cache.File("gstreamer-1.0")));
    EXPECT_FALSE(DeleteGStreamerRegistry(cache.Path(), message, icon));
}

TEST(Registry, CacheDirectoryFollowsXdg) {
    wxString saved;
    const bool had = wxGetEnv("XDG_CACHE_HOME", &saved);
    wxSetEnv("XDG_CACHE_HOME", "/tmp/xdg-cache");
    EXPECT_EQ(GStreamerCacheDir(), "/tmp/xdg-cache");
    wxSetEnv("XDG_CACHE_HOME", "");
    EXPECT_EQ(GStreamerCacheDir(), wxGetHomeDir() + "/.cache");
    if (had)
        wxSetEnv("XDG_CACHE_HOME", saved);
    else
        wxUnsetEnv("XDG_CACHE_HOME");
}

} // namespace
