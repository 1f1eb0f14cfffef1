#include "ui/record_controls.h"

#include <wx/frame.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "core/message.h"
#include "core/paths.h"
#include "core/settings.h"
#include "stream/recording.h"
#include "stream/screenshot.h"

namespace {

wxString TargetDirectory(const AppSettings& settings) {
    return OutputDirectory(settings.general.RecDir, Paths().dataDir);
}

} // namespace

RecordControls::RecordControls(wxFrame& frame, Player& player, const AppSettings& settings)
    : frame_(frame), player_(player), settings_(settings), toolBar_(frame.GetToolBar()) {
    frame_.Bind(wxEVT_TOOL, &RecordControls::OnRecord, this, XRCID("ID_TOOL_RECORD"));
    frame_.Bind(wxEVT_TOOL, &RecordControls::OnScreenshot, this, XRCID("ID_TOOL_SCREENSHOT"));
}

RecordControls::~RecordControls() {
    frame_.Unbind(wxEVT_TOOL, &RecordControls::OnRecord, this, XRCID("ID_TOOL_RECORD"));
    frame_.Unbind(wxEVT_TOOL, &RecordControls::OnScreenshot, this, XRCID("ID_TOOL_SCREENSHOT"));
}

void RecordControls::SetRecordTool(bool on) {
    if (toolBar_)
        toolBar_->ToggleTool(XRCID("ID_TOOL_RECORD"), on);
}

void RecordControls::OnRecord(wxCommandEvent&) {
    // The tool's toggled state is the recording state.
    if (toolBar_ && toolBar_->GetToolState(XRCID("ID_TOOL_RECORD"))) {
        StartRecordingTool();
        return;
    }
    // Whatever the stream's state, an untoggled tool means no file is written.
    const wxString path = RecordingPath(player_);
    StopRecording(player_);
    if (!path.empty())
        wxLogMessage(_("Aufnahme beendet: %s"), path);
}

void RecordControls::StartRecordingTool() {
    wxString path, error;
    switch (BeginRecording(player_, TargetDirectory(settings_), &path, &error)) {
    case RecordingStart::Started:
        wxLogMessage(_("Aufnahme gestartet: %s"), path);
        return;
    case RecordingStart::NotPlaying:
        break;
    case RecordingStart::FileFailed:
        ShowMessage(
            wxString::Format(_("Die Aufnahmedatei %s konnte nicht angelegt werden:\n%s"), path, error),
            MessageIcon::Error, &frame_);
        break;
    case RecordingStart::SinkFailed:
        ShowMessage(wxString::Format(_("Die Aufnahme in %s konnte nicht gestartet werden."), path),
                    MessageIcon::Error, &frame_);
        break;
    }
    SetRecordTool(false);
}

void RecordControls::OnScreenshot(wxCommandEvent&) {
    const wxString dir = TargetDirectory(settings_);
    wxString path, error;
    switch (TakeScreenshot(player_, dir, &path, &error)) {
    case ScreenshotResult::Saved:
        wxLogMessage(_("Bildschirmfoto gespeichert: %s"), path);
        break;
    case ScreenshotResult::NotPlaying:
    case ScreenshotResult::NoPicture:
        break; // nothing to take
    case ScreenshotResult::ConversionFailed:
        wxLogError(_("Das Bildschirmfoto konnte nicht erstellt werden."));
        break;
    case ScreenshotResult::WriteFailed:
        ShowMessage(
            wxString::Format(_("Das Bildschirmfoto konnte nicht in %s gespeichert werden:\n%s"), dir, error),
            MessageIcon::Error, &frame_);
        break;
    }
}
