#include "stream/stream_info.h"

namespace {
StreamInfo g_info;
std::mutex g_mutex;
} // namespace

StreamInfo& Info() {
    return g_info;
}

std::mutex& InfoMutex() {
    return g_mutex;
}

void ClearStreamInfo() {
    std::lock_guard lock(g_mutex);
    g_info = StreamInfo{};
}

StreamInfo SnapshotStreamInfo() {
    std::lock_guard lock(g_mutex);
    return g_info;
}
