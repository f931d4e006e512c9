// The host lookup both clients use: answers through the event loop, and none once detached.

#include "net/common/HostLookup.h"

#include "platform/HostAddress.h"
#include "platform/Wait.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using netsock::HostLookup;

namespace {

std::optional<HostLookup::Answer> lookUp(const std::string& query, bool reverse)
{
    std::optional<HostLookup::Answer> answer;
    HostLookup lookup(query, reverse, [&](const HostLookup::Answer& a) { answer = a; });
    (void)waiting::waitUntil([&] { return answer.has_value(); }, 10000);
    return answer;
}

TEST(HostLookup, AnswersForwardAndReverse)
{
    const auto local = lookUp("localhost", false);
    ASSERT_TRUE(local);
    EXPECT_EQ(local->error, 0);
    ASSERT_FALSE(local->addresses.empty());
    EXPECT_EQ(local->addresses.front(), htonl(INADDR_LOOPBACK));

    const auto name = lookUp("127.0.0.1", true);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->error, 0);
    EXPECT_FALSE(name->name.empty());

    const auto notAnAddress = lookUp("not an address", true);
    ASSERT_TRUE(notAnAddress);
    EXPECT_EQ(notAnAddress->error, 11001);

    const auto unknown = lookUp("no-such-host.invalid", false);
    ASSERT_TRUE(unknown);
    EXPECT_NE(unknown->error, 0);
    EXPECT_TRUE(unknown->addresses.empty());
}

TEST(HostLookup, ATestResolverAnswersForwardLookups)
{
    netsock::SetResolverForTesting([](const std::string& name, std::uint32_t& address) {
        if (name != "good.test") return 11001;
        address = htonl(0x0A000001);
        return 0;
    });
    const auto good = lookUp("good.test", false);
    const auto bad = lookUp("bad.test", false);
    netsock::SetResolverForTesting({});
    ASSERT_TRUE(good && bad);
    EXPECT_EQ(good->addresses, std::vector<std::uint32_t>{htonl(0x0A000001)});
    EXPECT_EQ(bad->error, 11001);
}

TEST(HostLookup, ADetachedLookupNeverAnswers)
{
    // Shared with the worker, which outlives the lookup.
    const auto release = std::make_shared<std::atomic<bool>>(false);
    const auto answered = std::make_shared<std::atomic<int>>(0);
    netsock::SetResolverForTesting([release, answered](const std::string&, std::uint32_t& address) {
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        address = htonl(INADDR_LOOPBACK);
        ++*answered;
        return 0;
    });
    int calls = 0;
    {
        HostLookup gone("slow.test", false, [&](const HostLookup::Answer&) { ++calls; });
    }
    *release = true;
    {
        // Its answer is already queued when it is detached.
        HostLookup queued("slow.test", false, [&](const HostLookup::Answer&) { ++calls; });
        for (int i = 0; i < 2000 && *answered < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    waiting::pauseFor(50);
    netsock::SetResolverForTesting({});
    EXPECT_EQ(*answered, 2);
    EXPECT_EQ(calls, 0);
}

TEST(HostLookup, LocalHostNameIsKnown)
{
    const std::string name = netsock::LocalHostName();
    EXPECT_FALSE(name.empty());
    EXPECT_LT(name.size(), 64u);
}

}  // namespace
