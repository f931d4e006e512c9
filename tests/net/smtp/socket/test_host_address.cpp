#include "platform/HostAddress.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

TEST(HostAddress, ResolveHostAddress)
{
    const std::uint32_t loopback = htonl(INADDR_LOOPBACK);
    struct Case {
        const char* name;
        std::uint32_t expected;
    } cases[] = {
        {"", kNoHostAddress},
        {"127.0.0.1", loopback},
        {"10.1.2.3", htonl(0x0A010203)},
        {"localhost", loopback},
        {"no-such-host.invalid", kNoHostAddress},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveHostAddress(c.name), c.expected) << c.name;
}

TEST(HostAddress, ServicesAndProtocolsByName)
{
    int n = 0;
    ASSERT_TRUE(LookupServicePort("smtp", "tcp", n));
    EXPECT_EQ(n, 25);
    ASSERT_TRUE(LookupServicePort("ftp", "tcp", n));
    EXPECT_EQ(n, 21);
    EXPECT_FALSE(LookupServicePort("no-such-service", "tcp", n));
    ASSERT_TRUE(LookupProtocolNumber("udp", n));
    EXPECT_EQ(n, 17);
    EXPECT_FALSE(LookupProtocolNumber("no-such-proto", n));
}

}  // namespace
