#include "platform/Guard.h"
#include "platform/Headless.h"
#include "platform/Prompt.h"
#include "platform/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using waiting::WaitResult;

TEST(Wait, EndsOnItsCondition)
{
    bool flag = false;
    QTimer::singleShot(20, [&] { flag = true; });
    EXPECT_EQ(waiting::waitUntil([&] { return flag; }, 5000), WaitResult::Condition);
    EXPECT_EQ(waiting::waitUntil([] { return true; }, 0), WaitResult::Condition);
}

TEST(Wait, EndsOnTimeOutCancelAndQuit)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(waiting::waitUntil([] { return false; }, 50), WaitResult::TimedOut);
    EXPECT_GE(t.elapsed(), 45);

    bool cancel = false;
    QTimer::singleShot(10, [&] { cancel = true; });
    EXPECT_EQ(waiting::waitUntil([] { return false; }, -1, [&] { return cancel; }), WaitResult::Cancelled);

    QTimer::singleShot(10, [] { waiting::requestQuit(); });
    EXPECT_EQ(waiting::waitUntil([] { return false; }), WaitResult::Quit);
    waiting::resetQuitForTesting();
}

TEST(Wait, WakesOnWorkPostedFromAnotherThread)
{
    bool done = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { done = true; }, Qt::QueuedConnection);
    });
    EXPECT_EQ(waiting::waitUntil([&] { return done; }, 5000), WaitResult::Condition);
    worker.join();
}

TEST(Guard, Policies)
{
    std::string seen;
    guard::setApplicationHandler([&](const std::exception_ptr& e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            seen = ex.what();
        }
    });
    guard::absorb([] { throw std::runtime_error("dropped"); });
    EXPECT_EQ(seen, "");
    guard::toApplication([] { throw std::runtime_error("to app"); });
    EXPECT_EQ(seen, "to app");
    guard::setApplicationHandler({});

    std::exception_ptr slot;
    guard::store(slot, [] { throw std::runtime_error("first"); });
    guard::store(slot, [] { throw std::runtime_error("second"); });
    EXPECT_THROW(
        {
            try {
                guard::rethrowStored(slot);
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "first");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_FALSE(slot);
    EXPECT_NO_THROW(guard::rethrowStored(slot));
}

TEST(Prompt, TerminalAnswersWithoutBlocking)
{
    TerminalPrompt p;
    std::string value = "default";
    EXPECT_FALSE(p.input("Please provide...", "Name", value));
    testing::internal::CaptureStderr();
    p.message("Hello", "Information", MessageKind::Information);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Information: Hello\n");
}

TEST(TerminationSignals, SigtermBecomesAnEvent)
{
    TerminationSignals termination;
    int got = 0;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, [&](int s) { got = s; });
    ::raise(SIGTERM);
    EXPECT_EQ(waiting::waitUntil([&] { return got != 0; }, 5000), WaitResult::Condition);
    EXPECT_EQ(got, SIGTERM);
}
