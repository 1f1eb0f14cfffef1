#include "stream/recording.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <gst/gst.h>
#include <wx/filename.h>

#include "stream/player.h"

namespace {

constexpr const char* kNullDevice = "/dev/null";
constexpr int kMaxNameClashes = 1000;

// Waits until a buffer that passed the valve before it closed has reached the
// sink, so that the sink is never shut down under a running write (a refused
// write would stop the whole source behind the tee).
void WaitForValveIdle(GstElement* valve) {
    GstPad* sink = gst_element_get_static_pad(valve, "sink");
    if (!sink)
        return;
    GST_PAD_STREAM_LOCK(sink);
    GST_PAD_STREAM_UNLOCK(sink);
    gst_object_unref(sink);
}

void ParkFileSink(GstElement* fileSink) {
    gst_element_set_state(fileSink, GST_STATE_NULL);
    g_object_set(fileSink, "location", kNullDevice, "append", FALSE, nullptr);
}

} // namespace

wxString OutputDirectory(const wxString& recDir, const wxString& dataDir) {
    const wxString dir = !recDir.empty() && wxFileName::DirExists(recDir) ? recDir : dataDir;
    return dir.EndsWith(wxFILE_SEP_PATH) ? dir : dir + wxFILE_SEP_PATH;
}

wxString TimestampedName(const wxDateTime& t, const wxString& extension) {
    return wxString::Format("te_%.4d%.2d%.2d_%.2d%.2d%.2d%.4d", t.GetYear(), t.GetMonth() + 1, t.GetDay(),
                            t.GetHour(), t.GetMinute(), t.GetSecond(), t.GetMillisecond()) +
           extension;
}

int CreateNewFile(const wxString& dir, const wxDateTime& localTime, const wxString& extension, wxString* path,
                  wxString* error) {
    const wxString base = dir + TimestampedName(localTime, wxString());
    for (int n = 1; n <= kMaxNameClashes; ++n) {
        const wxString candidate = n == 1 ? base + extension : wxString::Format("%s-%d", base, n) + extension;
        // O_EXCL: an existing recording or picture is never truncated.
        const int fd = ::open(candidate.fn_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            *path = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            *error = wxString::FromUTF8(std::strerror(errno));
            return -1;
        }
    }
    *error = wxString::FromUTF8(std::strerror(EEXIST));
    return -1;
}

bool StartRecording(Player& player, const wxString& path) {
    const PlaybackPipeline& p = player.Elements();
    if (!p.pipeline || !player.IsPlaying())
        return false;
    ParkFileSink(p.fileSink);
    // Appending: should the sink ever reopen the file (a restart behind our back),
    // what was recorded stays instead of being truncated.
    g_object_set(p.fileSink, "location", static_cast<const char*>(path.fn_str()), "append", TRUE, nullptr);
    if (gst_element_set_state(p.fileSink, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        ParkFileSink(p.fileSink);
        gst_element_sync_state_with_parent(p.fileSink);
        return false;
    }
    player.Core().recordingPath = path;
    g_object_set(p.valve, "drop", FALSE, nullptr);
    return true;
}

RecordingStart BeginRecording(Player& player, const wxString& dir, wxString* path, wxString* error) {
    if (!player.IsPlaying())
        return RecordingStart::NotPlaying;
    const int fd = CreateNewFile(dir, wxDateTime::UNow(), ".ts", path, error);
    if (fd < 0) {
        *path = dir + TimestampedName(wxDateTime::UNow(), ".ts");
        return RecordingStart::FileFailed;
    }
    ::close(fd);
    if (!StartRecording(player, *path)) {
        ::unlink(path->fn_str());
        return RecordingStart::SinkFailed;
    }
    return RecordingStart::Started;
}

void StopRecording(Player& player) {
    const PlaybackPipeline& p = player.Elements();
    if (!p.pipeline)
        return;
    g_object_set(p.valve, "drop", TRUE, nullptr);
    WaitForValveIdle(p.valve);
    ParkFileSink(p.fileSink);
    // The sink keeps swallowing the dropped branch's events while a stream runs.
    if (player.State() >= GST_STATE_PAUSED)
        gst_element_sync_state_with_parent(p.fileSink);
    player.Core().recordingPath.clear();
}

wxString RecordingPath(const Player& player) {
    return player.Core().recordingPath;
}
