// Output directory, time-stamped names and the rule that a new recording or
// picture never replaces an existing file.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "stream/player.h"
#include "stream/recording.h"
#include "temp_dir.h"

namespace {

wxDateTime Sample() {
    wxDateTime t(5, wxDateTime::Mar, 2010, 20, 15, 7, 42);
    return t;
}

} // namespace

TEST(RecordingFiles, NamesCarryLocalTimeWithFourDigitMilliseconds) {
    EXPECT_EQ(TimestampedName(Sample(), ".ts"), "te_20100305_2015070042.ts");
    EXPECT_EQ(TimestampedName(wxDateTime(31, wxDateTime::Dec, 1999, 23, 59, 59, 999), ".png"),
              "te_19991231_2359590999.png");
}

TEST(RecordingFiles, DirectoryFallsBackToDataDirectory) {
    TempDir rec, data;
    EXPECT_EQ(OutputDirectory(rec.Path(), data.Path()), rec.Path());
    // Without the trailing separator the file name would be glued to the directory.
    EXPECT_EQ(OutputDirectory(rec.Path().BeforeLast('/'), data.Path()), rec.Path());
    EXPECT_EQ(OutputDirectory("", data.Path()), data.Path());
    // A missing directory is not created.
    EXPECT_EQ(OutputDirectory(rec.Path() + "missing", data.Path()), data.Path());
    EXPECT_FALSE(wxFileName::DirExists(rec.Path() + "missing"));
}

TEST(RecordingFiles, ExistingFileIsNeverReplaced) {
    TempDir dir;
    const wxString taken = dir.Path() + "te_20100305_2015070042.ts";
    std::ofstream(taken.fn_str()) << "earlier recording";
    wxString path, error;
    const int fd = CreateNewFile(dir.Path(), Sample(), ".ts", &path, &error);
    ASSERT_GE(fd, 0) << error;
    close(fd);
    EXPECT_EQ(path, dir.Path() + "te_20100305_2015070042-2.ts");
    EXPECT_EQ(ReadAll(taken), "earlier recording");

    const int third = CreateNewFile(dir.Path(), Sample(), ".ts", &path, &error);
    ASSERT_GE(third, 0);
    close(third);
    EXPECT_EQ(path, dir.Path() + "te_20100305_2015070042-3.ts");
}

TEST(RecordingFiles, UnusableDirectoryIsReportedNotClaimed) {
    wxString path, error;
    // A regular file as directory fails for every user, root included.
    EXPECT_LT(CreateNewFile("/dev/null/", Sample(), ".ts", &path, &error), 0);
    EXPECT_FALSE(error.empty());
}

TEST(RecordingFiles, NoRecordingWithoutPlayingStream) {
    TempDir dir;
    Player player;
    wxString path, error;
    EXPECT_EQ(BeginRecording(player, dir.Path(), &path, &error), RecordingStart::NotPlaying);
    EXPECT_FALSE(StartRecording(player, dir.Path() + "x.ts"));
    wxArrayString files;
    EXPECT_EQ(wxDir::GetAllFiles(dir.Path(), &files), 0u);
    EXPECT_TRUE(RecordingPath(player).empty());
}
