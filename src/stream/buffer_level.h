// The fill of the stream buffer that opens the gate to PLAYING. Only the picture
// and sound streams count: a sparse queue (teletext, subtitles) holds a packet now
// and then and says nothing about how long the stream can play on.
#pragma once

#include <cstdint>
#include <vector>

struct StreamFill {
    std::uint64_t time = 0; // buffered, in nanoseconds
    bool full = false;      // its multiqueue input is full, which stops the demuxer
};

// Percent (0-100) of the buffer time: the emptiest stream decides, as playing starves
// on it first; but once a stream's queue is full the demuxer stops, the others
// cannot grow any more and the buffer is as full as it gets (100). No stream: 0.
int BufferPercent(const std::vector<StreamFill>& streams, std::uint64_t bufferTime);
