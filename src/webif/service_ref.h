// A receiver's service reference ("sRef"): the colon-separated text that names a
// service, a recording, a bouquet folder or a marker line. Read once when made;
// afterwards every question about it is a field lookup or a cheap text cut.
#pragma once

#include <string>

#include <wx/string.h>

#include "webif/service_model.h"

class ServiceRef {
public:
    ServiceRef() = default;
    explicit ServiceRef(const wxString& text);

    // The text as it was given.
    const wxString& Text() const { return text_; }
    bool IsEmpty() const { return text_.empty(); }

    // TV, radio or recording from the third field (the service type, hex) of a
    // "1:0:" reference; kKindFolder for folders, markers, other reference types
    // and anything unreadable.
    ItemKind Kind() const { return kind_; }
    // A bouquet's marker or spacer line (marker bit in the flags field).
    bool IsMarker() const { return marker_; }
    // The fourth field in hex; -1 when it is 0 or unreadable, so that the demuxer
    // picks a programme itself instead of waiting for one that never comes.
    int ServiceId() const { return serviceId_; }

    // Without a trailing name: a text with "::" loses everything after its last
    // ":" (the receiver names a service "...:0::Name").
    wxString Playable() const;
    // "1_0_1_445D_453_1_C00000_0_0_0.png": every ":" made "_", cut before the last "_".
    wxString PiconName() const;
    // Path of a recording on the receiver: the text after its first "/"; empty without one.
    wxString RecordingPath() const;
    // Percent-escaped UTF-8 text, ready to go into a web-interface command.
    std::string Escaped() const;

    bool operator==(const ServiceRef& other) const { return text_ == other.text_; }

private:
    wxString text_;
    ItemKind kind_ = kKindFolder;
    int serviceId_ = -1;
    bool marker_ = false;
};
