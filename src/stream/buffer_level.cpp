#include "stream/buffer_level.h"

#include <algorithm>

int BufferPercent(const std::vector<StreamFill>& streams, std::uint64_t bufferTime) {
    if (streams.empty() || bufferTime == 0)
        return 0;
    std::uint64_t lowest = streams.front().time;
    for (const StreamFill& s : streams) {
        if (s.full)
            return 100;
        lowest = std::min(lowest, s.time);
    }
    return static_cast<int>(std::min<std::uint64_t>(lowest * 100 / bufferTime, 100));
}
