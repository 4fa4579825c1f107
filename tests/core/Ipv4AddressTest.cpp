#include "net/Ipv4Address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Ipv4Address, DottedTextAndHostOrderValueRoundTrip)
{
    struct Case {
        const char* text;
        uint32_t value;
    };
    const Case cases[] = {
        {"192.168.1.37", 0xC0A80125u}, {"0.0.0.0", 0u}, {"255.255.255.255", 0xFFFFFFFFu},
        {"10.0.0.1", 0x0A000001u},     {"1.2.3.4", 0x01020304u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t parsed = 7;
        ASSERT_TRUE(ParseAddress(c.text, parsed));
        EXPECT_EQ(parsed, c.value);
        char text[16];
        FormatAddress(c.value, text, sizeof(text));
        EXPECT_STREQ(text, c.text);
    }
}

TEST(Ipv4Address, TextsThatAreNotAnAddressLeaveTheValueAlone)
{
    const char* const cases[] = {"", "192.168.1", "192.168.1.256", "192.168.1.1.1", "a.b.c.d", " 10.0.0.1",
                                 "10.0.0.1 ", "::1"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        uint32_t value = 7;
        EXPECT_FALSE(ParseAddress(text, value));
        EXPECT_EQ(value, 7u);
    }
    uint32_t value = 7;
    EXPECT_FALSE(ParseAddress(nullptr, value));
    EXPECT_EQ(value, 7u);
}

TEST(Ipv4Address, FormattingStopsAtTheBuffer)
{
    char small[8];
    FormatAddress(0xC0A80125u, small, sizeof(small));
    EXPECT_STREQ(small, "192.168");
}

}  // namespace
