#include "extras/setup_profiles.h"

#include <algorithm>

ProfileList::ProfileList(const Slots& slots, int count, int active)
    : slots_(slots), count_(std::clamp(count, 0, kSlots)), active_(0) {
    if (active >= 0 && active < count_)
        active_ = active;
}

int ProfileList::Add(const wxString& name) {
    if (!CanAdd() || name.Strip(wxString::both).empty())
        return -1;
    slots_[count_] = NewProfile(name);
    return count_++;
}

int ProfileList::Remove(int index) {
    if (!CanDelete() || index < 0 || index >= count_)
        return -1;
    for (int i = index; i < kSlots - 1; ++i)
        slots_[i] = slots_[i + 1];
    slots_[kSlots - 1] = ReceiverProfile{};
    --count_;
    if (active_ == index)
        active_ = 0;
    else if (active_ > index)
        --active_;
    return std::max(index - 1, 0);
}

void ProfileList::Swap(int a, int b) {
    std::swap(slots_[a], slots_[b]);
    if (active_ == a)
        active_ = b;
    else if (active_ == b)
        active_ = a;
}

int ProfileList::MoveUp(int index) {
    if (!CanMoveUp(index))
        return -1;
    Swap(index, index - 1);
    return index - 1;
}

int ProfileList::MoveDown(int index) {
    if (!CanMoveDown(index))
        return -1;
    Swap(index, index + 1);
    return index + 1;
}

bool ProfileList::Rename(int index, const wxString& name) {
    if (index < 0 || index >= count_ || name.Strip(wxString::both).empty())
        return false;
    slots_[index].Name = name;
    return true;
}

ReceiverProfile NewProfile(const wxString& name) {
    ReceiverProfile profile;
    profile.Name = name;
    profile.Host = "127.0.0.1";
    profile.WPort = 80;
    profile.User = "root";
    profile.Pass = "tunerpwd";
    profile.Https = 0;
    profile.SPort = 8001;
    return profile;
}

void SetHttps(ReceiverProfile& profile, bool on) {
    profile.Https = on ? 1 : 0;
    profile.WPort = on ? 443 : 80;
}

long PortFromText(const wxString& text) {
    const wxString trimmed = text.Strip(wxString::both);
    if (trimmed.empty())
        return 0;
    long value = 0;
    if (!trimmed.ToLong(&value) || !trimmed.IsNumber() || value < 0)
        return -1;
    return value;
}

wxString PortToText(long port) {
    return port == 0 ? wxString() : wxString::Format("%ld", port);
}
