// The web-interface commands the program sends, as "/web/" + command strings for
// ReceiverClient. Every reference and text is percent-escaped: an "&", "#", "?" or blank
// in a reference would otherwise end or alter the request.
#pragma once

#include <string>

#include <wx/string.h>

std::string DeviceInfoCommand();
// newState -1 asks for the power state; 0 toggles standby, 1 deep standby, 2 reboot,
// 3 restarts the receiver's user interface.
std::string PowerStateCommand(int newState);
std::string CurrentServiceCommand();
std::string NowNextCommand(const wxString& sRef, bool now);
std::string AudioTracksCommand();
std::string SelectAudioTrackCommand(const wxString& trackId);
std::string SubServicesCommand(const wxString& sRef);
std::string SimilarEventsCommand(const wxString& sRef, const wxString& eventId);
std::string ServicePlayableCommand(const wxString& sRef);
std::string ZapCommand(const wxString& sRef);
