// What the first packets of a stream tell before anything is decoded: whether
// the programme's picture and sound are scrambled, and whether its announced
// clock reference (PCR) PID carries packets at all. A receiver without the
// card streams a scrambled service as it is; and some services announce a PCR
// PID they never send, on which the demuxer waits for ever. Pure logic on
// transport-stream bytes, fed by a probe in front of the demuxer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream/pmt_reader.h"

class TsCensus {
public:
    struct PidCount {
        std::uint32_t packets = 0;
        std::uint32_t scrambled = 0;  // transport_scrambling_control != 0
        std::uint32_t unitStarts = 0; // payload_unit_start_indicator: a new PES begins
    };

    // Counts the 188-byte packets in data; a packet may be split across calls, and
    // bytes that do not start with the sync byte are skipped until it is found again.
    void Feed(const std::uint8_t* data, std::size_t size);
    const PidCount& Count(int pid) const { return counts_[pid & 0x1FFF]; }
    std::uint64_t Packets() const { return packets_; }

private:
    void CountPacket(const std::uint8_t* packet);

    std::vector<PidCount> counts_ = std::vector<PidCount>(0x2000);
    std::array<std::uint8_t, 188> partial_{};
    std::size_t partialSize_ = 0;
    std::uint64_t packets_ = 0;
};

enum class Verdict { Open, Yes, No };

struct CensusVerdict {
    Verdict scrambled = Verdict::Open;
    Verdict pcrMissing = Verdict::Open;
    bool Decided() const { return scrambled != Verdict::Open && pcrMissing != Verdict::Open; }
};

// Scrambled: once the picture and sound PIDs carried 64 packets, when every one of
// them that is sent carried 8 or more and is mostly scrambled; a single track mostly
// in the clear means the service is not (that track still plays).
// PCR missing: the PCR PID carried no packet while picture and sound began 40
// PES packets, which is 0.4 s and more of a service, where a PCR is due every 0.1 s.
// Without checkPcr (the demuxer already ignores it) the PCR is never missing.
CensusVerdict JudgeCensus(const TsCensus& census, const ProgrammeFacts& facts, bool checkPcr);
