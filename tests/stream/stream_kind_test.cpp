// The kind of a demuxer pad from its caps, and what the plug-in check asks for.
#include <algorithm>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include "core/options.h"
#include "stream/player.h"
#include "stream/stream_kind.h"
#include "stream/stream_settings.h"
#include "test_settings.h"

TEST(StreamKind, CapsAsTsdemuxGivesThem) {
    const std::pair<const char*, StreamKind> rows[] = {
        {"video/mpeg, mpegversion=(int)2, systemstream=(boolean)false", kKindMpeg2},
        {"video/mpeg, mpegversion=(int)1, systemstream=(boolean)false", kKindMpeg2},
        {"video/mpeg, mpegversion=(int)4, systemstream=(boolean)false", kKindNone},
        {"video/x-h264, stream-format=(string)byte-stream", kKindH264},
        {"video/x-h265, stream-format=(string)byte-stream", kKindHevc},
        {"audio/mpeg, mpegversion=(int)1", kKindMpegAudio},
        {"audio/mpeg", kKindMpegAudio},
        // AAC: ADTS (0x0F) and LATM in LOAS (0x11); the latter is not MPEG-1 audio.
        {"audio/mpeg, mpegversion=(int)4, stream-format=(string)adts", kKindAac},
        {"audio/mpeg, mpegversion=(int)2, stream-format=(string)adts", kKindAac},
        {"audio/mpeg, mpegversion=(int)4, stream-format=(string)loas", kKindAacLatm},
        {"audio/mpeg, stream-format=(string)loas, mpegversion=(int)4", kKindAacLatm},
        {"audio/x-ac3", kKindAc3},
        {"audio/x-eac3", kKindEac3},
        {"application/x-teletext", kKindTeletext},
        {"subpicture/x-dvb", kKindSubtitles},
        // Only the first structure counts; unknown types are nothing.
        {"audio/x-eac3; audio/x-ac3", kKindEac3},
        {"audio/x-dts", kKindNone},
        {"audio/mpeg, mpegversion=(int)4, stream-format=(string)\"lo;as\"", kKindAac},
        {"", kKindNone}};
    for (const auto& [caps, kind] : rows)
        EXPECT_EQ(KindFromCaps(caps), kind) << caps;
    EXPECT_STREQ(KindTag(kKindAacLatm), "LATM");
    EXPECT_STREQ(KindTag(99), "UNKN");
    EXPECT_STREQ(CodecName(kKindEac3), "E-AC-3");
}

TEST(StreamKind, PluginCheckNamesEveryParserAndDecoderOfEveryCodec) {
    const auto features = StreamingFeatures(StreamSettingsOf(TestSettings(), TestOptions()));
    auto listed = [&](const std::string& name) {
        return std::any_of(features.begin(), features.end(), [&](const StreamingFeature& f) {
            return std::find(f.begin(), f.end(), name) != f.end();
        });
    };
    for (const int kind : DecodedKinds()) {
        const ChainFactories chain = ChainFactoriesOf(kind);
        EXPECT_TRUE(listed(chain.parser)) << chain.parser;
        for (const char* decoder : chain.decoders)
            EXPECT_TRUE(listed(decoder)) << decoder;
    }
    for (const char* name : {"avdec_eac3", "avdec_aac_latm", "aacparse", "h265parse", "avdec_h265"})
        EXPECT_TRUE(listed(name)) << name;
    // A parser shared by two codecs is checked once.
    EXPECT_EQ(std::count(features.begin(), features.end(), StreamingFeature{"ac3parse"}), 1);
}

// What each parser hands on is what each of the kind's decoders takes: LATM sent to
// an ADTS decoder (or E-AC-3 to an AC-3 one) leaves the chain unbuilt.
TEST(StreamKind, EveryDecoderTakesWhatItsParserGives) {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    const std::pair<int, const char*> parsed[] = {
        {kKindMpeg2, "video/mpeg, mpegversion=(int)2, systemstream=(boolean)false, parsed=(boolean)true"},
        {kKindH264, "video/x-h264, stream-format=(string)byte-stream, alignment=(string)au"},
        {kKindHevc, "video/x-h265, stream-format=(string)byte-stream, alignment=(string)au"},
        {kKindMpegAudio, "audio/mpeg, mpegversion=(int)1, layer=(int)2, rate=(int)48000, channels=(int)2, "
                         "parsed=(boolean)true"},
        {kKindAc3, "audio/x-ac3, framed=(boolean)true, alignment=(string)frame"},
        {kKindEac3, "audio/x-eac3, framed=(boolean)true, alignment=(string)frame"},
        {kKindAac, "audio/mpeg, mpegversion=(int)4, stream-format=(string)adts, framed=(boolean)true"},
        {kKindAacLatm, "audio/mpeg, mpegversion=(int)4, stream-format=(string)loas, framed=(boolean)true"}};
    for (const auto& [kind, text] : parsed) {
        GstCaps* caps = gst_caps_from_string(text);
        for (const char* decoder : ChainFactoriesOf(kind).decoders) {
            GstElementFactory* factory = gst_element_factory_find(decoder);
            if (!factory)
                continue; // an alternative that is not installed
            EXPECT_TRUE(gst_element_factory_can_sink_any_caps(factory, caps)) << decoder << " <- " << text;
            gst_object_unref(factory);
        }
        gst_caps_unref(caps);
    }
}
