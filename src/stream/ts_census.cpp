#include "stream/ts_census.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint8_t kSyncByte = 0x47;
constexpr std::uint32_t kMinPacketsForScrambling = 64;
constexpr std::uint32_t kMinPacketsPerPid = 8;
constexpr std::uint32_t kUnitStartsWithoutPcr = 40;
constexpr int kNullPid = 0x1FFF;

} // namespace

void TsCensus::CountPacket(const std::uint8_t* packet) {
    PidCount& c = counts_[((packet[1] & 0x1F) << 8) | packet[2]];
    ++c.packets;
    if (packet[3] & 0xC0)
        ++c.scrambled;
    if (packet[1] & 0x40)
        ++c.unitStarts;
    ++packets_;
}

void TsCensus::Feed(const std::uint8_t* data, std::size_t size) {
    if (partialSize_ > 0) {
        const std::size_t take = std::min(kPacketSize - partialSize_, size);
        std::memcpy(partial_.data() + partialSize_, data, take);
        partialSize_ += take;
        data += take;
        size -= take;
        if (partialSize_ < kPacketSize)
            return;
        CountPacket(partial_.data());
        partialSize_ = 0;
    }
    while (size > 0) {
        if (*data != kSyncByte) {
            const auto* sync = static_cast<const std::uint8_t*>(std::memchr(data, kSyncByte, size));
            if (!sync)
                return;
            size -= sync - data;
            data = sync;
        }
        if (size < kPacketSize) {
            std::memcpy(partial_.data(), data, size);
            partialSize_ = size;
            return;
        }
        CountPacket(data);
        data += kPacketSize;
        size -= kPacketSize;
    }
}

namespace {

Verdict JudgeScrambling(const TsCensus& census, const ProgrammeFacts& facts) {
    if (facts.audioVideoPids.empty())
        return Verdict::No;
    std::uint32_t total = 0;
    bool waiting = false; // a track has begun but is too short to judge
    bool anyJudged = false;
    for (int pid : facts.audioVideoPids) {
        const TsCensus::PidCount& c = census.Count(pid);
        total += c.packets;
        if (c.packets == 0)
            continue; // announced but not sent: says nothing
        if (c.packets < kMinPacketsPerPid) {
            waiting = true;
            continue;
        }
        if (c.scrambled * 2 <= c.packets)
            return Verdict::No;
        anyJudged = true;
    }
    return anyJudged && !waiting && total >= kMinPacketsForScrambling ? Verdict::Yes : Verdict::Open;
}

Verdict JudgePcr(const TsCensus& census, const ProgrammeFacts& facts, bool checkPcr) {
    if (!checkPcr || facts.pcrPid == kNullPid || facts.audioVideoPids.empty() ||
        census.Count(facts.pcrPid).packets > 0)
        return Verdict::No;
    std::uint32_t starts = 0;
    for (int pid : facts.audioVideoPids)
        starts += census.Count(pid).unitStarts;
    return starts >= kUnitStartsWithoutPcr ? Verdict::Yes : Verdict::Open;
}

} // namespace

CensusVerdict JudgeCensus(const TsCensus& census, const ProgrammeFacts& facts, bool checkPcr) {
    return {JudgeScrambling(census, facts), JudgePcr(census, facts, checkPcr)};
}
