// A ReceiverStateView without windows: keeps what the queries write in plain fields.
// Used by tessaro-query and by tests.
#pragma once

#include <array>
#include <vector>

#include "webif/state_view.h"

class PlainChoice : public ChoiceView {
public:
    struct Entry {
        wxString label, value, receiverId;
        bool hasData = true;
    };
    std::vector<Entry> entries;
    int selection = -1;
    std::vector<int> selectionEvents;
    bool enabled = true;

    int Count() const override { return static_cast<int>(entries.size()); }
    bool HasData(int i) const override { return entries.at(i).hasData; }
    wxString Label(int i) const override { return entries.at(i).label; }
    wxString Value(int i) const override { return entries.at(i).value; }
    wxString ReceiverId(int i) const override { return entries.at(i).receiverId; }
    void SetLabel(int i, const wxString& label) override { entries.at(i).label = label; }
    void SetReceiverId(int i, const wxString& id) override { entries.at(i).receiverId = id; }
    void Select(int i) override { selection = i; }
    void SendSelectionEvent(int i) override { selectionEvents.push_back(i); }
    void Clear() override {
        entries.clear();
        selection = -1;
    }
    void Delete(int i) override {
        entries.erase(entries.begin() + i);
        if (selection == i)
            selection = -1;
        else if (selection > i)
            --selection;
    }
    int Append(const wxString& label, const wxString& value) override {
        entries.push_back({label, value, {}, true});
        return Count() - 1;
    }
    void Enable(bool on) override { enabled = on; }
};

class PlainStateView : public ReceiverStateView {
public:
    ReceiverState state;
    std::array<wxString, 4> boxLabels;   // index = Box
    std::array<wxString, 7> staticTexts; // index 1..6
    int gaugeRange = -1;
    int gaugeValue = -1;
    PlainChoice audio;
    PlainChoice video;

    ReceiverState& State() override { return state; }
    void SetBoxLabel(Box box, const wxString& label) override { boxLabels.at(box) = label; }
    void SetStaticText(int n, const wxString& text) override { staticTexts.at(n) = text; }
    void SetGauge(int range, int value) override {
        gaugeRange = range;
        gaugeValue = value;
    }
    ChoiceView& AudioChoice() override { return audio; }
    ChoiceView& VideoChoice() override { return video; }
};
