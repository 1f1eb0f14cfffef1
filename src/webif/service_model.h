// The TV and radio branches of the channel tree as plain data: what loading the
// receiver's bouquet and provider lists produces and the main window's tree shows.
#pragma once

#include <cstddef>
#include <vector>

#include <wx/string.h>

enum ItemKind { kKindFolder = 0, kKindTV = 1, kKindRadio = 2, kKindRecording = 3 };

// The fields every tree item's data starts with (the tree's MyChannelItemData adds
// the toolkit base class on top of this).
struct ChannelItemData {
    int kind = kKindFolder;
    wxString sRef;         // folders: every blank replaced by "%20"
    wxString positionCode; // services: "kind.list.bouquet.entry" or "kind.3.n"; folders: empty
    wxString bouquetName;  // folders: own name; services: the folder they are listed in
};

// A service or a marker line (markers carry no item data).
struct ChannelEntry {
    wxString label;
    bool marker = false;
    ChannelItemData data;
};

struct ChannelFolder {
    wxString label;
    ChannelItemData data;
    std::vector<ChannelEntry> entries;
    int menuIndex = -1; // index into ServiceListModel::menus, -1 without a menu
};

struct BouquetMenuEntry {
    wxString label;
    wxString help;       // "%d:%d" menu index, entry index
    bool marker = false; // disabled, marker image; otherwise IMG_VIDEO
};

// One favourites menu of a TV bouquet. While `entries` is empty the menu shows the
// single placeholder entry " " with the marker image.
struct BouquetMenu {
    wxString name;
    size_t folderIndex = 0; // into tv.bouquets
    std::vector<BouquetMenuEntry> entries;
};

struct ServiceBranch {
    std::vector<ChannelFolder> bouquets;  // "Eigene Listen"
    std::vector<ChannelFolder> providers; // "Anbieter"
    std::vector<ChannelEntry> sender;     // "Sender": provider services, sorted
};

// Where the receiver's current service was found first in one loading round.
struct CurrentServiceMatch {
    bool found = false;
    int kind = 0;           // the list kind 0..3 it was found in
    size_t folderIndex = 0; // into the branch's bouquets or providers
    size_t entryIndex = 0;
    wxString playModeLabel; // for ID_BOXSIZER1
};

struct ServiceListModel {
    static constexpr int kMaxBouquetMenus = 100;

    ServiceBranch tv;
    ServiceBranch radio;
    std::vector<BouquetMenu> menus;
    CurrentServiceMatch current;

    int LastBouquetIndex() const { return static_cast<int>(menus.size()) - 1; }
    ServiceBranch& Branch(int listKind) { return listKind < 2 ? tv : radio; }
    const ServiceBranch& Branch(int listKind) const { return listKind < 2 ? tv : radio; }
    // Empties everything (a complete reload, e.g. after a profile switch).
    void Clear() { *this = ServiceListModel(); }
};
