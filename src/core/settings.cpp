#include "core/settings.h"

bool ReceiverProfile::IsUsable() const {
    return !Name.empty() && !Host.empty() && !User.empty() && WPort != 0 && SPort != 0;
}
