// TThreadTimer: runs only when enabled, with an interval and a handler.

#include "SockTestSupport.h"

#include "net/ftp/socket/ThreadTimer.h"
#include "platform/Errors.h"
#include "platform/Guard.h"
#include "platform/Wait.h"

#include <gtest/gtest.h>

using namespace socktest;

TEST(FtpSockThreadTimer, FiresRepeatedlyWhileEnabled)
{
    TThreadTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    int fired = 0;
    timer.SetInterval(5);
    timer.SetOnTimer([&](QObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++fired;
    });
    EXPECT_TRUE(pumpUntil([&] { return fired >= 3; }));
    timer.SetEnabled(false);
    const int stopped = fired;
    waiting::pauseFor(30);
    EXPECT_EQ(fired, stopped);
}

TEST(FtpSockThreadTimer, NeverRunsWithoutIntervalOrHandler)
{
    TThreadTimer timer;
    int fired = 0;
    timer.SetInterval(0);
    timer.SetOnTimer([&](QObject*) { ++fired; });
    waiting::pauseFor(30);
    EXPECT_EQ(fired, 0);
}

TEST(FtpSockThreadTimer, AHandlersFailureGoesToTheApplicationHandler)
{
    std::string caught;
    guard::setApplicationHandler([&](const std::exception_ptr& e) { caught = exceptionMessage(e); });
    TThreadTimer timer;
    timer.SetInterval(5);
    timer.SetOnTimer([&](QObject*) {
        timer.SetEnabled(false);
        throw Exception("timer failed");
    });
    EXPECT_TRUE(pumpUntil([&] { return !caught.empty(); }));
    EXPECT_EQ(caught, "timer failed");
    guard::setApplicationHandler({});
}

TEST(FtpSockThreadTimer, AnIntervalTooLongForThePlatformIsRefused)
{
    TThreadTimer timer;
    timer.SetOnTimer([](QObject*) {});
    try {
        timer.SetInterval(0x90000000u);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "No Timer");
    }
}
