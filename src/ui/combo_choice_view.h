// The audio and video track choices of the main window as the receiver queries see
// them: entries carry MyChoiceItemData {value, receiver id}.
#pragma once

#include <wx/clntdata.h>

#include "webif/state_view.h"

class wxBitmapComboBox;
class wxEvtHandler;

// Client data of a track entry: PID (audio) or service reference (video), and the id
// the receiver gives the track.
class MyChoiceItemData : public wxClientData {
public:
    MyChoiceItemData(const wxString& value, const wxString& receiverId)
        : value(value), receiverId(receiverId) {}
    wxString value;
    wxString receiverId;
};

class ComboChoiceView : public ChoiceView {
public:
    // `sink` receives the selection events (the main window).
    ComboChoiceView(wxBitmapComboBox* combo, wxEvtHandler* sink) : combo(combo), sink(sink) {}

    int Count() const override;
    bool HasData(int index) const override;
    wxString Label(int index) const override;
    wxString Value(int index) const override;
    wxString ReceiverId(int index) const override;
    void SetLabel(int index, const wxString& label) override;
    void SetReceiverId(int index, const wxString& id) override;
    void Select(int index) override;
    void SendSelectionEvent(int index) override;
    void Clear() override;
    void Delete(int index) override;
    int Append(const wxString& label, const wxString& value) override;
    void Enable(bool on) override;

private:
    MyChoiceItemData* DataAt(int index) const;
    bool Valid(int index) const { return index >= 0 && index < Count(); }

    wxBitmapComboBox* combo;
    wxEvtHandler* sink;
};
