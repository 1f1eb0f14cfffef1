// The channel tree's ordering of sibling items, as pure functions.
#pragma once

#include <wx/string.h>

// Code-point order, case-sensitive, no locale: <0, 0, >0.
int CompareLabels(const wxString& a, const wxString& b);

// One item as the comparison sees it; `time` is a recording's start (seconds).
struct TreeSortKey {
    wxString label;
    bool hasData = false;
    long time = 0;
};

// Children of "Sender" compare by label; recordings (both with data) by
// GENERAL/SortMode: 0 label ascending, 1 descending, 2 date ascending, 3 descending;
// anything else by label.
int CompareTreeItems(const TreeSortKey& a, const TreeSortKey& b, bool parentIsSender, int sortMode);
