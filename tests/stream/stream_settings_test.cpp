// What a stream takes of the settings when it starts: the proxy of the HTTP source.
#include <gtest/gtest.h>

#include "core/settings.h"
#include "stream/stream_settings.h"

TEST(StreamSettingsProxy, OnlyWhenOnAndComplete) {
    AppSettings s;
    s.proxy = {"proxy.lan", 3128, "ich", L"gr\u00fcn", true};
    SourceProxy proxy = SourceProxyOf(s);
    EXPECT_TRUE(proxy.use);
    EXPECT_EQ(proxy.address, "proxy.lan:3128");
    EXPECT_EQ(proxy.pass, "gr\xfcn"); // 8-bit, as the proxy expects it
    s.proxy.Pass.clear();
    EXPECT_FALSE(SourceProxyOf(s).use);
    s.proxy = {"proxy.lan", 0, "ich", "pw", true};
    EXPECT_FALSE(SourceProxyOf(s).use);
    s.proxy = {"proxy.lan", 3128, "ich", "pw", false};
    EXPECT_FALSE(SourceProxyOf(s).use);
}
