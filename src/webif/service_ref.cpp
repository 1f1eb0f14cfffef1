#include "webif/service_ref.h"

#include <array>

#include "webif/url_escape.h"

namespace {

constexpr unsigned long kNotANumber = ~0ul;

// The first four fields, and whether a ":" closes the fourth.
struct Head {
    std::array<wxString, 4> fields;
    bool fourthClosed = false;
};

Head HeadOf(const wxString& text) {
    Head head;
    size_t start = 0;
    for (wxString& field : head.fields) {
        const size_t colon = text.find(':', start);
        field = text.substr(start, colon == wxString::npos ? wxString::npos : colon - start);
        if (colon == wxString::npos)
            return head;
        start = colon + 1;
    }
    head.fourthClosed = true;
    return head;
}

int DigitValue(wxUniChar c, unsigned base) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (base == 16 && c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A') + 10;
    if (base == 16 && c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a') + 10;
    return -1;
}

// Digits only: no sign, blank or "0x", which the receiver never writes. Eight
// digits at most, so that no value overflows.
unsigned long NumberOf(const wxString& field, unsigned base) {
    if (field.empty() || field.length() > 8)
        return kNotANumber;
    unsigned long value = 0;
    for (wxUniChar c : field) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return kNotANumber;
        value = value * base + static_cast<unsigned long>(digit);
    }
    return value;
}

// The DVB service types the receiver lists as TV or radio: MPEG-2 SD and HD, the
// H.264 and HEVC family 0x16..0x1F (HD, NVOD, 3D) and the operator types 0x86 and
// 0xC3 are TV; MPEG and advanced-codec (AAC) sound are radio. Type 0 is a recording.
ItemKind KindOfServiceType(unsigned long type) {
    if (type == 0)
        return kKindRecording;
    if (type == 0x01 || type == 0x11 || (type >= 0x16 && type <= 0x1F) || type == 0x86 || type == 0xC3)
        return kKindTV;
    if (type == 0x02 || type == 0x0A)
        return kKindRadio;
    return kKindFolder;
}

constexpr unsigned long kMarkerFlag = 64; // also set on numbered and invisible markers (320, 832)

} // namespace

ServiceRef::ServiceRef(const wxString& text) : text_(text) {
    const Head head = HeadOf(text_);
    const auto& f = head.fields;
    // Reference type and flags are decimal, the fields after them hex.
    const unsigned long flags = NumberOf(f[1], 10);
    marker_ = f[0] == "1" && flags != kNotANumber && (flags & kMarkerFlag) != 0;
    if (f[0] == "1" && flags == 0)
        kind_ = KindOfServiceType(NumberOf(f[2], 16));
    const unsigned long id = head.fourthClosed ? NumberOf(f[3], 16) : kNotANumber;
    if (id != 0 && id <= 0xFFFF)
        serviceId_ = static_cast<int>(id);
}

wxString ServiceRef::Playable() const {
    return text_.Contains("::") ? text_.BeforeLast(':') : text_;
}

wxString ServiceRef::PiconName() const {
    wxString name = text_;
    name.Replace(":", "_");
    if (name.Contains("_"))
        name = name.BeforeLast('_');
    return name + ".png";
}

wxString ServiceRef::RecordingPath() const {
    const int slash = text_.Find('/');
    return slash == wxNOT_FOUND ? wxString() : text_.Mid(slash + 1);
}

std::string ServiceRef::Escaped() const {
    return UrlEscape(text_);
}
