// The dial-up commands through whole runs of the engine, with the real dial program and a phone
// book whose commands keep marker files.

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/Wait.h"
#include "runner/ScriptVantrel.h"
#include "tests/desktop/dialup/PhoneBookFixture.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/LogLines.h"

#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdlib>

using Lines = std::vector<std::string>;
using enginerun::Joined;

namespace {

// Running, and not only a zombie waiting for its parent.
bool alive(pid_t pid)
{
    if (::kill(pid, 0) != 0) return false;
    const std::string stat = TempDir::read("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

class DialCommands : public PhoneBookFixture {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) oldConfig_ = old;
        hadConfig_ = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        apppaths::setProgramFolderForTesting(VANTREL_BIN_DIR);
    }
    void TearDown() override
    {
        apppaths::setProgramFolderForTesting({});
        if (hadConfig_) ::setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }
    // One run of the script; `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> run(const Lines& lines, const std::function<void(TScriptVantrel&)>& before = {})
    {
        return enginerun::RunLines(scripts, "dial.ftp", lines, [&](TScriptVantrel& e) {
            e.TerminateProgram = [this](int code) { terminated = code; };
            if (before) before(e);
        });
    }
    Lines dial(const std::string& entry) const
    {
        return {"DIALENTRY=" + entry, "DIALLOGINUSER=ann", "DIALLOGINPASSWORD=\"s3 cret\"", "DIAL"};
    }

    TempDir scripts;
    int terminated = -1;

private:
    std::string oldConfig_;
    bool hadConfig_ = false;
};

}  // namespace

TEST_F(DialCommands, AlreadyConnectedDialsNothingAndHangUpLeavesTheLinkUp)
{
    Touch("Home.up");
    auto e = run(Joined(dial("Home"), {"HANGUP"}));
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_FALSE(Exists("Home.env"));  // the dial program never ran
    EXPECT_TRUE(Exists("Home.up"));
    EXPECT_FALSE(Exists("Home.down"));
    EXPECT_FALSE(contains(e->Log(), "   ---> Dialup: Failed"));
}

TEST_F(DialCommands, DialBringsTheLinkUpAndHangUpTakesItDown)
{
    auto e = run(Joined(dial("home"), {"IF success", "MESSAGE up", "ENDIF", "HANGUP"}));
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_TRUE(e->SuccessFlag);
    // The password reached the phone-book command through the dial program's environment.
    EXPECT_EQ(Read("Home.env"), "Home|ann|s3 cret");
    EXPECT_TRUE(contains(e->Log(), " MESSAGE up"));
    EXPECT_TRUE(contains(e->Log(), " DialLoginPassword <hidden>"));
    EXPECT_FALSE(containsPart(e->Log(), "s3 cret"));
    EXPECT_TRUE(Exists("Home.down"));
    EXPECT_FALSE(Exists("Home.up"));
}

TEST_F(DialCommands, FailedDialEndsTheScriptThroughTheErrorPath)
{
    auto e = run(Joined(dial("Broken"), {"MESSAGE after"}));
    EXPECT_EQ(e->ExitCode(), 1);
    EXPECT_TRUE(contains(e->Log(), "Error: Dial failed: Broken / ann"));
    EXPECT_FALSE(contains(e->Log(), " MESSAGE after"));
    EXPECT_NE(TempDir::read(scripts.file("dial.History.txt")).find("Error: Dial failed: Broken / ann"),
              std::string::npos);
}

TEST_F(DialCommands, ErrorPathHangsUpWhatTheRunDialled)
{
    auto e = run(Joined(dial("Home"), {"DOCOMMAND NOOP", "MESSAGE after"}));
    EXPECT_EQ(e->ExitCode(), 1);
    EXPECT_FALSE(contains(e->Log(), " MESSAGE after"));
    EXPECT_TRUE(Exists("Home.down"));
    EXPECT_FALSE(Exists("Home.up"));
}

TEST_F(DialCommands, WatchdogHangsUpBeforeEndingTheProgram)
{
    QTimer poll;
    auto e = run(Joined(dial("Home"), {"WAITFORFILE never.flg"}), [&](TScriptVantrel& engine) {
        // Once the run waits, the watchdog fires; Cancel then ends the wait it left behind.
        QObject::connect(&poll, &QTimer::timeout, &engine, [&] {
            if (!containsPart(engine.Log(), "Waiting for the file")) return;
            poll.stop();
            engine.HoldupTimer();
            engine.Button1Click();
        });
        poll.start(20);
    });
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(Exists("Home.down"));
    EXPECT_TRUE(apppaths::fileExists(scripts.file("dial.History.txt")));
}

TEST_F(DialCommands, CancelStopsADialThatHangs)
{
    QTimer poll;
    auto e = run(Joined(dial("Slow"), {"MESSAGE after"}), [&](TScriptVantrel& engine) {
        QObject::connect(&poll, &QTimer::timeout, &engine, [&] {
            if (!Exists("slow.pid") || Read("slow.pid").empty()) return;
            poll.stop();
            engine.Button1Click();
        });
        poll.start(20);
    });
    EXPECT_TRUE(contains(e->Log(), "Error: Dial failed: Slow / ann"));
    EXPECT_FALSE(contains(e->Log(), " MESSAGE after"));
    // The phone-book command the dial program started does not outlive the cancelled dial.
    const pid_t pid = static_cast<pid_t>(std::stol(Read("slow.pid")));
    const QDeadlineTimer deadline(5000);
    while (alive(pid) && !deadline.hasExpired()) (void)waiting::pauseFor(20);
    EXPECT_FALSE(alive(pid));
}
