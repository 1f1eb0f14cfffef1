// The settings dialog's editable copy of the ten receiver profiles: the listed
// profiles are compacted at the front, the remaining slots keep what was read. The
// dialog shows this list and copies it into AppSettings only when it applies.
#pragma once

#include <array>

#include <wx/string.h>

#include "core/settings.h"

class ProfileList {
public:
    static constexpr int kSlots = AppSettings::kProfileSlots;
    using Slots = std::array<ReceiverProfile, kSlots>;

    ProfileList(const Slots& slots, int count, int active);

    int Count() const { return count_; }
    // The profile the program streams from; it follows its profile through moves and
    // deletions, so reordering never switches the receiver behind the user's back.
    int Active() const { return active_; }
    const Slots& AllSlots() const { return slots_; }
    const ReceiverProfile& At(int index) const { return slots_[index]; }
    ReceiverProfile& At(int index) { return slots_[index]; }

    bool CanAdd() const { return count_ < kSlots; }
    bool CanDelete() const { return count_ >= 2; }
    bool CanMoveUp(int index) const { return count_ >= 2 && index > 0 && index < count_; }
    bool CanMoveDown(int index) const { return count_ >= 2 && index >= 0 && index < count_ - 1; }

    // Appends a new profile with the example values; returns its index, or -1 when
    // ten profiles exist or the name is blank.
    int Add(const wxString& name);
    // Removes a profile, moves the later slots up and empties the last one. Returns
    // the index to select next (the previous profile, or the first), -1 if refused.
    int Remove(int index);
    // Swap with the neighbour; returns the moved profile's new index, -1 if refused.
    int MoveUp(int index);
    int MoveDown(int index);
    bool Rename(int index, const wxString& name);

private:
    void Swap(int a, int b);

    Slots slots_;
    int count_;
    int active_;
};

// A new profile: host "127.0.0.1", web port 80, user "root", password "tunerpwd",
// HTTPS off, stream port 8001.
ReceiverProfile NewProfile(const wxString& name);

// The HTTPS switch sets the web port to 443 (on) or 80 (off).
void SetHttps(ReceiverProfile& profile, bool on);

// Port fields: an empty text is 0 (missing, reported as incomplete); a text that is
// no decimal number is -1 (reported as an invalid port, never taken as a port).
long PortFromText(const wxString& text);
// 0 shows as an empty field.
wxString PortToText(long port);
