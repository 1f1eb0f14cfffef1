// What the receiver-state queries write into the main window, as an interface: the
// main window implements it, tests use a plain recording implementation.
#pragma once

#include <wx/string.h>

// The main window's fields shared with the queries.
struct ReceiverState {
    wxString currentServiceRef;
    wxString currentServiceName;
    int currentItemType = 0; // 1 TV, 2 radio, 3 recording
    wxString nowEventText;
    wxString nextEventText;
};

// A choice control whose entries carry {value, receiver id} (audio: PID; video:
// service reference).
class ChoiceView {
public:
    virtual ~ChoiceView() = default;
    virtual int Count() const = 0;
    virtual bool HasData(int index) const = 0;
    virtual wxString Label(int index) const = 0;
    virtual wxString Value(int index) const = 0;
    virtual wxString ReceiverId(int index) const = 0;
    virtual void SetLabel(int index, const wxString& label) = 0;
    virtual void SetReceiverId(int index, const wxString& id) = 0;
    virtual void Select(int index) = 0;
    // Delivers the choice's selection event for `index` to the main window.
    virtual void SendSelectionEvent(int index) = 0;
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    // Appends an entry with the IMG_CHOICE_VIDEO image; returns its index.
    virtual int Append(const wxString& label, const wxString& value) = 0;
    virtual void Enable(bool on) = 0;
};

class ReceiverStateView {
public:
    enum Box { kPlayModeBox = 1, kProgramInfoBox = 2, kAvBox = 3 }; // ID_BOXSIZER1..3

    virtual ~ReceiverStateView() = default;
    virtual ReceiverState& State() = 0;
    virtual void SetBoxLabel(Box box, const wxString& label) = 0;
    // ID_STATICTEXT1..6.
    virtual void SetStaticText(int number, const wxString& text) = 0;
    // ID_GAUGE_PROGRESS; value is within 0..range.
    virtual void SetGauge(int range, int value) = 0;
    virtual ChoiceView& AudioChoice() = 0;
    virtual ChoiceView& VideoChoice() = 0;
};
