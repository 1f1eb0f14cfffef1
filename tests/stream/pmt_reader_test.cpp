// The programme map table reader: counts, teletext and subtitle facts, and
// tables whose descriptor lengths do not match the bytes received.
#include <tuple>

#include <gtest/gtest.h>

#include "stream/pmt_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes TeletextDescriptor(const char* lang, std::uint8_t typeMagazine, std::uint8_t page) {
    return {0x56, 5, std::uint8_t(lang[0]), std::uint8_t(lang[1]), std::uint8_t(lang[2]), typeMagazine, page};
}

PmtStreamEntry Private(int pid, std::vector<Bytes> descriptors) {
    return {0x06, pid, std::move(descriptors)};
}

} // namespace

TEST(PmtReader, CountsVideoAudioAc3AndTeletextButNotSubtitles) {
    const PmtSummary s = ReadPmt({{0x02, 0x100, {}},
                                  {0x03, 0x101, {}},
                                  {0x04, 0x102, {}},
                                  Private(0x103, {TeletextDescriptor("deu", 0x09, 0x00)}),
                                  Private(0x104, {{0x59, 8, 'd', 'e', 'u', 0x10, 0, 1, 0, 1}}),
                                  {0x05, 0x105, {}}});
    EXPECT_EQ(s.expected, 4);
    ASSERT_EQ(s.subtitles.size(), 1u);
    EXPECT_EQ(s.subtitles[0].pid, 0x104);
    EXPECT_EQ(s.subtitles[0].type, 0x10);
    EXPECT_EQ(s.subtitles[0].language, "deu");
}

TEST(PmtReader, Ac3AsPrivateDataOrAtscTypeAndH264) {
    EXPECT_EQ(ReadPmt({{0x1B, 0x100, {}}, Private(0x101, {{0x6A, 1, 0x00}}), {0x81, 0x102, {}}}).expected, 3);
    // Private data without a known descriptor is not a stream we play.
    EXPECT_EQ(ReadPmt({Private(0x101, {{0x0A, 4, 'd', 'e', 'u', 0}})}).expected, 0);
}

TEST(PmtReader, BroadcastCodecsCountWithTheirKindAndLanguageByPid) {
    const Bytes french = {0x0A, 4, 'f', 'r', 'a', 0};
    const PmtSummary s = ReadPmt({{0x24, 0x1A4, {}},
                                  Private(0x1AE, {french, {0x7A, 1, 0x00}}),
                                  {0x87, 0x1AF, {{0x0A, 8, 'd', 'e', 'u', 0, 'e', 'n', 'g', 0}}},
                                  {0x0F, 0x1B0, {{0x0A, 2, 'x', 'y'}}}, // too short for a language
                                  {0x11, 0x1B1, {french}},
                                  Private(0x42C, {TeletextDescriptor("fra", 0x09, 0x00)}),
                                  {0x10, 0x1B2, {}}}); // MPEG-4 video: not played
    EXPECT_EQ(s.expected, 6);
    const std::vector<std::tuple<int, int, std::string>> tracks = {
        {0x1A4, kKindHevc, ""}, {0x1AE, kKindEac3, "fra"},    {0x1AF, kKindEac3, "deu"},
        {0x1B0, kKindAac, ""},  {0x1B1, kKindAacLatm, "fra"}, {0x42C, kKindTeletext, "fra"}};
    ASSERT_EQ(s.tracks.size(), tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i) {
        EXPECT_EQ(s.tracks[i].pid, std::get<0>(tracks[i])) << i;
        EXPECT_EQ(s.tracks[i].kind, std::get<1>(tracks[i])) << i;
        EXPECT_EQ(s.tracks[i].language, std::get<2>(tracks[i])) << i;
    }
    EXPECT_EQ(s.logLines.front(), "HEVC found\n");
    EXPECT_EQ(s.logLines.at(4), "LATM found\n");
}

TEST(PmtReader, StreamWithSeveralKnownDescriptorsCountsOnce) {
    EXPECT_EQ(ReadPmt({Private(0x101, {{0x6A, 0}, TeletextDescriptor("deu", 0x09, 0)})}).expected, 1);
}

TEST(PmtReader, TeletextPageFromTypeOneOnly) {
    PmtSummary s = ReadPmt({Private(0x103, {TeletextDescriptor("deu", (1 << 3) | 1, 0x00)})});
    ASSERT_TRUE(s.hasTeletext);
    EXPECT_EQ(s.teletext.initialPage, 0x100);
    s = ReadPmt({Private(0x103, {TeletextDescriptor("deu", (1 << 3) | 2, 0x50)})});
    EXPECT_EQ(s.teletext.initialPage, 0x250);
    EXPECT_EQ(s.teletext.charset, 4);
    s = ReadPmt({Private(0x103, {TeletextDescriptor("deu", (2 << 3) | 2, 0x50)})});
    EXPECT_EQ(s.teletext.initialPage, 0x100);
}

TEST(PmtReader, TeletextPagesAsListedWithMagazineZeroAsEight) {
    const PmtSummary s = ReadPmt(
        {Private(0x42C, {{0x56, 10, 'f', 'r', 'a', (1 << 3) | 1, 0x00, 'f', 'r', 'a', (2 << 3) | 0, 0x88}})});
    EXPECT_EQ(s.teletext.pages, (std::vector<int>{0x100, 0x888}));
    // An entry cut short by the received bytes is not read.
    EXPECT_EQ(ReadPmt({Private(0x42C, {{0x56, 10, 'f', 'r', 'a', 0x09, 0x00, 'f'}})}).teletext.pages,
              (std::vector<int>{0x100}));
}

TEST(PmtReader, ProgrammeFactsNamePictureAndSoundPidsPcrAndCaDescriptors) {
    const std::vector<PmtStreamEntry> streams = {{0x1B, 0x1A4, {}},
                                                 Private(0x1AE, {{0x7A, 1, 0x00}}),
                                                 {0x11, 0x1AF, {}},
                                                 {0x24, 0x1B0, {}},
                                                 Private(0x42C, {TeletextDescriptor("fra", 0x09, 0)}),
                                                 Private(0x1B8, {{0x59, 8, 'f', 'r', 'a', 0x10, 0, 1, 0, 1}}),
                                                 {0x05, 0x1C0, {}}};
    ProgrammeFacts f = ReadProgrammeFacts(0xE1A4, {}, streams);
    EXPECT_EQ(f.pcrPid, 0x1A4); // reserved bits dropped
    EXPECT_EQ(f.audioVideoPids, (std::vector<int>{0x1A4, 0x1AE, 0x1AF, 0x1B0}));
    EXPECT_FALSE(f.caDescriptor);
    EXPECT_TRUE(ReadProgrammeFacts(0x1A4, {{0x09, 4, 0x0B, 0x00, 0xE1, 0x00}}, streams).caDescriptor);
    EXPECT_TRUE(
        ReadProgrammeFacts(0x1A4, {}, {{0x1B, 0x1A4, {{0x09, 4, 0x0B, 0x00, 0xE1, 0x00}}}}).caDescriptor);
}

TEST(PmtReader, TruncatedDescriptorsKeepDefaultsWithoutReadingPastTheEnd) {
    // Announced length 5, only two payload bytes received; empty teletext descriptor as muxers write it.
    PmtSummary s = ReadPmt({Private(0x103, {{0x56, 5, 'd', 'e'}})});
    EXPECT_EQ(s.expected, 1);
    EXPECT_EQ(s.teletext.initialPage, 0x100);
    EXPECT_EQ(s.teletext.charset, 1);
    EXPECT_TRUE(s.teletext.language.empty());
    s = ReadPmt({Private(0x104, {{0x59, 8, 'd', 'e', 'u'}}), Private(0x105, {{0x59}}), Private(0x106, {{}})});
    EXPECT_TRUE(s.subtitles.empty());
    EXPECT_EQ(ReadPmt({Private(0x103, {{0x56, 0}})}).teletext.initialPage, 0x100);
}

TEST(PmtReader, NonPrintableLanguageBytesAreReplaced) {
    const PmtSummary s = ReadPmt({Private(0x103, {{0x56, 5, 0, 0xFF, 'u', 0x09, 0}})});
    EXPECT_EQ(s.teletext.language, "??u");
    EXPECT_EQ(s.teletext.charset, 1);
}

TEST(NationalCharset, TableAndFallback) {
    const std::pair<const char*, int> rows[] = {
        {"cze", 0}, {"SLK", 0}, {"eng", 1},  {"xyz", 1},  {"", 1},     {"est", 2},
        {"fra", 3}, {"Deu", 4}, {"ger", 4},  {"ita", 5},  {"lit", 6},  {"pol", 7},
        {"spa", 8}, {"ron", 9}, {"hrv", 10}, {"fin", 11}, {"tur", 12}, {"deutsch", 4}};
    for (const auto& [lang, index] : rows)
        EXPECT_EQ(NationalCharsetIndex(lang), index) << lang;
}
