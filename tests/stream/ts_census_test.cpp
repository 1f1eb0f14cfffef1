// The rules that decide how a start goes before anything is decoded: the census of
// the first packets (scrambled services, a PCR PID without packets) and the buffer
// level that opens the gate to PLAYING.
#include <gtest/gtest.h>

#include "stream/buffer_level.h"
#include "stream/ts_census.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kVideo = 0x1A4;
constexpr int kAudio = 0x1AE;

Bytes Packet(int pid, bool scrambled, bool unitStart) {
    Bytes p(188, 0xFF);
    p[0] = 0x47;
    p[1] = static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | (pid >> 8));
    p[2] = static_cast<std::uint8_t>(pid & 0xFF);
    p[3] = static_cast<std::uint8_t>((scrambled ? 0x80 : 0) | 0x10);
    return p;
}

// n packets of the PID, every tenth starting a PES packet.
void Send(TsCensus& census, int pid, int n, bool scrambled) {
    for (int i = 0; i < n; ++i) {
        const Bytes p = Packet(pid, scrambled, i % 10 == 0);
        census.Feed(p.data(), p.size());
    }
}

ProgrammeFacts Facts(int pcrPid) {
    ProgrammeFacts f;
    f.pcrPid = pcrPid;
    f.audioVideoPids = {kVideo, kAudio};
    return f;
}

} // namespace

TEST(TsCensus, CountsPacketsSplitAnywhereAndSkipsBytesBeforeTheSync) {
    Bytes stream = {0x00, 0x12, 0x47 ^ 0xFF}; // junk of a connection joined mid-packet
    for (int i = 0; i < 5; ++i) {
        const Bytes p = Packet(kVideo, i == 3, i == 0);
        stream.insert(stream.end(), p.begin(), p.end());
    }
    TsCensus census;
    for (std::size_t at = 0; at < stream.size(); at += 100)
        census.Feed(stream.data() + at, std::min<std::size_t>(100, stream.size() - at));
    EXPECT_EQ(census.Packets(), 5u);
    EXPECT_EQ(census.Count(kVideo).packets, 5u);
    EXPECT_EQ(census.Count(kVideo).scrambled, 1u);
    EXPECT_EQ(census.Count(kVideo).unitStarts, 1u);
    census.Feed(nullptr, 0);
    EXPECT_EQ(census.Packets(), 5u);
}

TEST(TsCensus, ScrambledOnlyWhenEveryTrackSentIsMostlyScrambled) {
    TsCensus census;
    Send(census, kVideo, 60, true);
    Send(census, kAudio, 3, true);
    // The sound has only begun: too early to say.
    EXPECT_EQ(JudgeCensus(census, Facts(kVideo), true).scrambled, Verdict::Open);
    Send(census, kAudio, 10, true);
    EXPECT_EQ(JudgeCensus(census, Facts(kVideo), true).scrambled, Verdict::Yes);

    TsCensus clearSound;
    Send(clearSound, kVideo, 80, true);
    Send(clearSound, kAudio, 12, false);
    EXPECT_EQ(JudgeCensus(clearSound, Facts(kVideo), true).scrambled, Verdict::No);

    // A track announced but never sent does not keep the verdict open.
    TsCensus videoOnly;
    Send(videoOnly, kVideo, 70, true);
    EXPECT_EQ(JudgeCensus(videoOnly, Facts(kVideo), true).scrambled, Verdict::Yes);
    EXPECT_EQ(JudgeCensus(videoOnly, ProgrammeFacts{}, true).scrambled, Verdict::No); // nothing to decode
}

TEST(TsCensus, PcrMissingWhenItsPidStaysSilentWhileFortyPesPacketsBegin) {
    TsCensus census;
    Send(census, kVideo, 390, false);
    EXPECT_EQ(JudgeCensus(census, Facts(0x1FF0), true).pcrMissing, Verdict::Open); // 39 starts
    Send(census, kVideo, 10, false);
    const CensusVerdict verdict = JudgeCensus(census, Facts(0x1FF0), true);
    EXPECT_EQ(verdict.pcrMissing, Verdict::Yes);
    EXPECT_EQ(verdict.scrambled, Verdict::No);
    EXPECT_TRUE(verdict.Decided());
    // The PCR on the video PID, no PCR announced, or the demuxer ignoring it already.
    EXPECT_EQ(JudgeCensus(census, Facts(kVideo), true).pcrMissing, Verdict::No);
    EXPECT_EQ(JudgeCensus(census, Facts(0x1FFF), true).pcrMissing, Verdict::No);
    EXPECT_EQ(JudgeCensus(census, Facts(0x1FF0), false).pcrMissing, Verdict::No);
    Send(census, 0x1FF0, 1, false);
    EXPECT_EQ(JudgeCensus(census, Facts(0x1FF0), true).pcrMissing, Verdict::No);
}

TEST(BufferPercent, EmptiestPictureOrSoundStreamDecidesUntilAQueueIsFull) {
    const std::uint64_t second = 1'000'000'000;
    EXPECT_EQ(BufferPercent({}, 2 * second), 0); // a teletext queue alone is never measured
    EXPECT_EQ(BufferPercent({{14 * second / 10, false}, {second / 2, false}}, 2 * second), 25);
    EXPECT_EQ(BufferPercent({{3 * second, false}}, 2 * second), 100); // decoded pictures count as well
    // A full queue holds up the demuxer: the others cannot grow any more.
    EXPECT_EQ(BufferPercent({{2 * second, true}, {second / 10, false}}, 2 * second), 100);
    EXPECT_EQ(BufferPercent({{5, false}}, 0), 0);
}
