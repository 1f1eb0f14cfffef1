// Recording the received transport stream unchanged to a file ("Tee" ->
// "TeeQueue2" -> "Valve" -> "FileSink"), and the time-stamped names of the
// files that recordings and screenshots create.
#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

class Player;

// GENERAL/RecDir when it names an existing directory, else the data directory;
// the result ends with the path separator.
wxString OutputDirectory(const wxString& recDir, const wxString& dataDir);

// "te_YYYYMMDD_HHMMSSmmmm" + extension (".ts", ".png"); the milliseconds are
// printed with four digits.
wxString TimestampedName(const wxDateTime& localTime, const wxString& extension);

// Creates a new, empty file in dir named after the time, never touching an
// existing file: on a clash "-2", "-3", ... is added before the extension.
// Returns the open descriptor (the caller closes it) and the path, or -1 with
// the system's reason in *error.
int CreateNewFile(const wxString& dir, const wxDateTime& localTime, const wxString& extension, wxString* path,
                  wxString* error);

// Points "FileSink" at path (an existing file that it overwrites) and opens
// "Valve". Refused when the pipeline does not play or the sink cannot open the
// file; "FileSink" then swallows the stream into /dev/null again. GUI thread, as
// all of the player's recording.
bool StartRecording(Player& player, const wxString& path);

enum class RecordingStart { Started, NotPlaying, FileFailed, SinkFailed };
// A new recording file in dir, then StartRecording on it; a file that could
// not be used is removed again. *path gets the file (or the intended name),
// *error the system's reason for FileFailed.
RecordingStart BeginRecording(Player& player, const wxString& dir, wxString* path, wxString* error);

// Closes the valve and the file and parks "FileSink" on /dev/null. Also right
// after the pipeline was stopped: the sink then stays in NULL with it.
void StopRecording(Player& player);
// The file being written, empty when not recording.
wxString RecordingPath(const Player& player);
