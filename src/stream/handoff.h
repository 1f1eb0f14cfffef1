// Hand-overs of our own data to another thread through GLib or GStreamer (a probe's
// or an idle source's user data, a thread-pool call). Their queues order the threads
// with futexes and atomics that ThreadSanitizer cannot see; under it, these mark the
// order explicitly. Elsewhere they compile to nothing.
#pragma once

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>

// Everything written to *data so far is seen by the thread that takes it over.
inline void HandOver(void* data) {
    __tsan_release(data);
}
inline void TakeOver(void* data) {
    __tsan_acquire(data);
}
#else
inline void HandOver(void*) {}
inline void TakeOver(void*) {}
#endif
