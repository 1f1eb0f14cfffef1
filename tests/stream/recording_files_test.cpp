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

#include "stream/recording.h"

namespace {

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/tessaro-rec-XXXXXX";
        path_ = wxString(mkdtemp(pattern)) + "/";
    }
    ~TempDir() { wxFileName::Rmdir(path_, wxPATH_RMDIR_RECURSIVE); }
    const wxString& path() const { return path_; }

private:
    wxString path_;
};

std::string ReadFile(const wxString& path) {
    std::ifstream in(path.fn_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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
    EXPECT_EQ(OutputDirectory(rec.path(), data.path()), rec.path());
    // Without the trailing separator the file name would be glued to the directory.
    EXPECT_EQ(OutputDirectory(rec.path().BeforeLast('/'), data.path()), rec.path());
    EXPECT_EQ(OutputDirectory("", data.path()), data.path());
    // A missing directory is not created.
    EXPECT_EQ(OutputDirectory(rec.path() + "missing", data.path()), data.path());
    EXPECT_FALSE(wxFileName::DirExists(rec.path() + "missing"));
}

TEST(RecordingFiles, ExistingFileIsNeverReplaced) {
    TempDir dir;
    const wxString taken = dir.path() + "te_20100305_2015070042.ts";
    std::ofstream(taken.fn_str()) << "earlier recording";
    wxString path, error;
    const int fd = CreateNewFile(dir.path(), Sample(), ".ts", &path, &error);
    ASSERT_GE(fd, 0) << error;
    close(fd);
    EXPECT_EQ(path, dir.path() + "te_20100305_2015070042-2.ts");
    EXPECT_EQ(ReadFile(taken), "earlier recording");

    const int third = CreateNewFile(dir.path(), Sample(), ".ts", &path, &error);
    ASSERT_GE(third, 0);
    close(third);
    EXPECT_EQ(path, dir.path() + "te_20100305_2015070042-3.ts");
}

TEST(RecordingFiles, UnusableDirectoryIsReportedNotClaimed) {
    wxString path, error;
    // A regular file as directory fails for every user, root included.
    EXPECT_LT(CreateNewFile("/dev/null/", Sample(), ".ts", &path, &error), 0);
    EXPECT_FALSE(error.empty());
}

TEST(RecordingFiles, NoRecordingWithoutPlayingStream) {
    TempDir dir;
    wxString path, error;
    EXPECT_EQ(BeginRecording(dir.path(), &path, &error), RecordingStart::NotPlaying);
    EXPECT_FALSE(StartRecording(dir.path() + "x.ts"));
    wxArrayString files;
    EXPECT_EQ(wxDir::GetAllFiles(dir.path(), &files), 0u);
    EXPECT_TRUE(RecordingPath().empty());
}
