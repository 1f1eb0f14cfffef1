#include "webif/service_sort.h"

int CompareLabels(const wxString& a, const wxString& b) {
    // wxString compares whole code points on this platform (UTF-32 wchar_t).
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareTreeItems(const TreeSortKey& a, const TreeSortKey& b, bool parentIsSender, int sortMode) {
    if (parentIsSender || !a.hasData || !b.hasData)
        return CompareLabels(a.label, b.label);
    switch (sortMode) {
    case 1:
        return CompareLabels(b.label, a.label);
    case 2:
        return a.time < b.time ? -1 : (a.time > b.time ? 1 : 0);
    case 3:
        return a.time > b.time ? -1 : (a.time < b.time ? 1 : 0);
    default:
        return CompareLabels(a.label, b.label);
    }
}
