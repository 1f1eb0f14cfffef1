#include "webif/web_commands.h"

#include "webif/url_escape.h"

std::string DeviceInfoCommand() {
    return "deviceinfo";
}

std::string PowerStateCommand(int newState) {
    return "powerstate?newstate=" + std::to_string(newState);
}

std::string CurrentServiceCommand() {
    return "getcurrent";
}

std::string NowNextCommand(const wxString& sRef, bool now) {
    return (now ? "epgservicenow?sRef=" : "epgservicenext?sRef=") + UrlEscape(sRef);
}

std::string AudioTracksCommand() {
    return "getaudiotracks";
}

std::string SelectAudioTrackCommand(const wxString& trackId) {
    return "selectaudiotrack?id=" + UrlEscape(trackId);
}

std::string SubServicesCommand(const wxString& sRef) {
    return "streamsubservices?sRef=" + UrlEscape(sRef);
}

std::string SimilarEventsCommand(const wxString& sRef, const wxString& eventId) {
    return "epgsimilar?sRef=" + UrlEscape(sRef) + "&eventid=" + UrlEscape(eventId);
}

std::string ServicePlayableCommand(const wxString& sRef) {
    return "serviceplayable?sRef=" + UrlEscape(sRef);
}

std::string ZapCommand(const wxString& sRef) {
    return "zap?sRef=" + UrlEscape(sRef);
}
