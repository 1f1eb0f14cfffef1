#include "ui/combo_choice_view.h"

#include <wx/bmpcbox.h>
#include <wx/xrc/xmlres.h>

MyChoiceItemData* ComboChoiceView::DataAt(int index) const {
    if (!Valid(index))
        return nullptr;
    return dynamic_cast<MyChoiceItemData*>(combo->GetClientObject(index));
}

int ComboChoiceView::Count() const {
    return static_cast<int>(combo->GetCount());
}

bool ComboChoiceView::HasData(int index) const {
    return DataAt(index) != nullptr;
}

wxString ComboChoiceView::Label(int index) const {
    return Valid(index) ? combo->GetString(index) : wxString();
}

wxString ComboChoiceView::Value(int index) const {
    const MyChoiceItemData* data = DataAt(index);
    return data ? data->value : wxString();
}

wxString ComboChoiceView::ReceiverId(int index) const {
    const MyChoiceItemData* data = DataAt(index);
    return data ? data->receiverId : wxString();
}

void ComboChoiceView::SetLabel(int index, const wxString& label) {
    if (Valid(index))
        combo->SetString(index, label);
}

void ComboChoiceView::SetReceiverId(int index, const wxString& id) {
    if (MyChoiceItemData* data = DataAt(index))
        data->receiverId = id;
}

void ComboChoiceView::Select(int index) {
    if (Valid(index))
        combo->SetSelection(index);
}

void ComboChoiceView::SendSelectionEvent(int index) {
    if (!Valid(index))
        return;
    wxCommandEvent event(wxEVT_COMBOBOX, combo->GetId());
    event.SetEventObject(combo);
    event.SetInt(index);
    wxPostEvent(sink, event);
}

void ComboChoiceView::Clear() {
    combo->Clear();
}

void ComboChoiceView::Delete(int index) {
    if (Valid(index))
        combo->Delete(index);
}

int ComboChoiceView::Append(const wxString& label, const wxString& value) {
    return combo->Append(label, wxXmlResource::Get()->LoadBitmap("IMG_CHOICE_VIDEO"),
                         new MyChoiceItemData(value, wxString()));
}

void ComboChoiceView::Enable(bool on) {
    combo->Enable(on);
}
