// Every question a service reference answers, asked of real references the
// receiver sends and of broken ones, which must give "nothing" and never a crash.
#include <gtest/gtest.h>

#include "webif/service_ref.h"

namespace {

struct RefCase {
    const char* name;
    const char* text; // UTF-8
    ItemKind kind;
    bool marker;
    int serviceId;
    const char* playable; // nullptr: the text itself
    const char* picon;    // nullptr: not checked
    const char* path;
    const char* escaped; // nullptr: not checked
};

class ServiceRefTest : public ::testing::TestWithParam<RefCase> {};

TEST_P(ServiceRefTest, Answers) {
    const RefCase& c = GetParam();
    const wxString text = wxString::FromUTF8(c.text);
    const ServiceRef ref(text);
    EXPECT_EQ(ref.Text(), text);
    EXPECT_EQ(ref.Kind(), c.kind);
    EXPECT_EQ(ref.IsMarker(), c.marker);
    EXPECT_EQ(ref.ServiceId(), c.serviceId);
    EXPECT_EQ(ref.Playable(), c.playable ? wxString::FromUTF8(c.playable) : text);
    if (c.picon) {
        EXPECT_EQ(ref.PiconName(), c.picon);
    }
    EXPECT_EQ(ref.RecordingPath(), wxString::FromUTF8(c.path));
    if (c.escaped) {
        EXPECT_EQ(ref.Escaped(), c.escaped);
    }
    EXPECT_EQ(ref, ServiceRef(text));
    EXPECT_EQ(ref == ServiceRef(ref.Playable()), c.playable == nullptr);
}

const RefCase kRefs[] = {
    {"tv", "1:0:1:445D:453:1:C00000:0:0:0:", kKindTV, false, 0x445D, nullptr,
     "1_0_1_445D_453_1_C00000_0_0_0.png", "", "1%3A0%3A1%3A445D%3A453%3A1%3AC00000%3A0%3A0%3A0%3A"},
    {"hd_tv", "1:0:19:283D:3FB:1:C00000:0:0:0:", kKindTV, false, 0x283D, nullptr,
     "1_0_19_283D_3FB_1_C00000_0_0_0.png", "", nullptr},
    {"hevc_tv", "1:0:1F:EF10:421:1:C00000:0:0:0:", kKindTV, false, 0xEF10, nullptr, nullptr, "", nullptr},
    // Listed by the TV list command (type 195), but not "1:0:1..."
    {"operator_tv", "1:0:C3:EF75:3F9:1:C00000:0:0:0:", kKindTV, false, 0xEF75, nullptr, nullptr, "", nullptr},
    {"radio", "1:0:2:6F:3:1:C00000:0:0:0:", kKindRadio, false, 0x6F, nullptr, nullptr, "", nullptr},
    {"aac_radio", "1:0:A:3331:3EF:1:C00000:0:0:0:", kKindRadio, false, 0x3331, nullptr, nullptr, "", nullptr},
    // The recording's 0 would make the demuxer wait for a programme that never comes.
    {"recording", "1:0:0:0:0:0:0:0:0:0:/hdd/movie/20250505 0146 - SRF 1 HD - Nachtmagazin.ts", kKindRecording,
     false, -1, nullptr, nullptr, "hdd/movie/20250505 0146 - SRF 1 HD - Nachtmagazin.ts",
     "1%3A0%3A0%3A0%3A0%3A0%3A0%3A0%3A0%3A0%3A%2Fhdd%2Fmovie%2F20250505%200146%20-%20SRF%201%20HD%20-"
     "%20Nachtmagazin.ts"},
    {"named", "1:0:19:6EA5:3F9:1:C00000:0:0:0::BR Süd HD", kKindTV, false, 0x6EA5,
     "1:0:19:6EA5:3F9:1:C00000:0:0:0:", nullptr, "",
     "1%3A0%3A19%3A6EA5%3A3F9%3A1%3AC00000%3A0%3A0%3A0%3A%3ABR%20S%C3%BCd%20HD"},
    {"marker", "1:64:1:0:0:0:0:0:0:0::Nachrichten", kKindFolder, true, -1, "1:64:1:0:0:0:0:0:0:0:", nullptr,
     "", nullptr},
    {"spacer", "1:832:D:0:0:0:0:0:0:0:", kKindFolder, true, -1, nullptr, nullptr, "", nullptr},
    {"folder", "1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.favourites.tv\" ORDER BY bouquet", kKindFolder,
     false, -1, nullptr, nullptr, "", nullptr},
    {"stream", "4097:0:1:0:0:0:0:0:0:0:http%3a//tv.example/live?id=1&q=hd#x:Kanal 1", kKindFolder, false, -1,
     nullptr, nullptr, "/tv.example/live?id=1&q=hd#x:Kanal 1",
     "4097%3A0%3A1%3A0%3A0%3A0%3A0%3A0%3A0%3A0%3Ahttp%253a%2F%2Ftv.example%2Flive%3Fid%3D1%26q%3Dhd%23x%"
     "3AKanal%201"},
    {"empty", "", kKindFolder, false, -1, nullptr, ".png", "", ""},
    {"bad_id", "1:0:1:XYZ:1:", kKindTV, false, -1, nullptr, nullptr, "", nullptr},
    {"id_too_big", "1:0:1:10000:1:", kKindTV, false, -1, nullptr, nullptr, "", nullptr},
    {"id_unclosed", "1:0:1:445D", kKindTV, false, -1, nullptr, nullptr, "", nullptr},
    {"short", "1:0:1", kKindTV, false, -1, nullptr, nullptr, "", nullptr},
    {"bad_type", "1:0:1Z:445D:1:", kKindFolder, false, 0x445D, nullptr, nullptr, "", nullptr},
    {"signed_flags", "1:-64:1:0:0:", kKindFolder, false, -1, nullptr, nullptr, "", nullptr},
    {"garbage", "::::::", kKindFolder, false, -1, ":::::", "_____.png", "", nullptr},
};
INSTANTIATE_TEST_SUITE_P(Refs, ServiceRefTest, ::testing::ValuesIn(kRefs),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
