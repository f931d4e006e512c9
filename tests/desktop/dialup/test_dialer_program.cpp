#include "desktop/dialup/RasDialer.h"
#include "tests/desktop/dialup/PhoneBookFixture.h"
#include "tests/support/CoreLimit.h"

#include <QProcess>
#include <chrono>
#include <csignal>
#include <thread>
#include <optional>

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

class DialerProgramTest : public PhoneBookFixture {
protected:
    // Runs the dial program against the fixture's phone book; stdinText is written and closed.
    Outcome Run(const QStringList& args, const std::optional<std::string>& envPassword,
                const std::string& stdinText = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("config")));
        env.remove(TRasDialer::PasswordVariable);
        if (envPassword) env.insert(TRasDialer::PasswordVariable, QString::fromStdString(*envPassword));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VANTREL_BIN_DIR "/Dialer"), args);
        Outcome o;
        if (!p.waitForStarted(5000)) return o;
        p.write(stdinText.data(), static_cast<qint64>(stdinText.size()));
        p.closeWriteChannel();
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished(2000);
            return o;
        }
        o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        o.out = p.readAllStandardOutput().toStdString();
        o.err = p.readAllStandardError().toStdString();
        return o;
    }
};

}  // namespace

TEST_F(DialerProgramTest, ExitStatusByOutcome)
{
    const struct {
        QStringList args;
        int exitCode;
    } cases[] = {
        {{}, 2},
        {{"Home"}, 2},
        {{"Home", "ann", "password-on-the-command-line"}, 2},
        {{"Nowhere", "ann", "/nodlg"}, 1},
        {{"Broken", "ann", "/nodlg"}, 1},
        {{"home", "ann", "/NODLG"}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Run(c.args, "pw").exitCode, c.exitCode) << c.args.join(' ').toStdString();
    EXPECT_TRUE(Exists("Home.up"));
    EXPECT_FALSE(Exists("Home.down"));  // the link stays up after the program ends
    // Already up: nothing is dialled again.
    std::filesystem::remove(dir.file("Home.env"));
    EXPECT_EQ(Run({"Home", "ann"}, "pw").exitCode, 0);
    EXPECT_FALSE(Exists("Home.env"));
}

TEST_F(DialerProgramTest, CoreDumpsAreOffForTheDialAndItsCommands)
{
    // The password sits in the dial program's memory; its Up command inherits the limit.
    const RaisedCoreLimit limit;
    if (!limit.raised()) GTEST_SKIP() << "core dumps are off for every process here";
    std::ofstream(book, std::ios::app) << "[Core]\r\nUp=ulimit -c > '" << dir.file("core.txt") << "'\r\nCheck=false\r\n";
    (void)Run({"Core", "ann", "/nodlg"}, "pw");
    EXPECT_EQ(Read("core.txt"), "0\n");
}

TEST_F(DialerProgramTest, ReportsProgressAndFailures)
{
    const Outcome up = Run({"Office", "ann", "/nodlg"}, "pw");
    EXPECT_EQ(up.exitCode, 0);
    EXPECT_NE(up.out.find(TRasDialer::StatusText(rasConnected)), std::string::npos) << up.out;
    const Outcome broken = Run({"Broken", "ann"}, "pw");
    EXPECT_NE(broken.err.find("The Up command failed with exit status 3"), std::string::npos) << broken.err;
}

TEST_F(DialerProgramTest, PasswordFromTheEnvironmentOrStandardInput)
{
    const std::string password = R"(q'u"o"te $HOME $(id) `id`)";
    EXPECT_EQ(Run({"Home", "o'neil", "/nodlg"}, password).exitCode, 0);
    EXPECT_EQ(Read("Home.env"), "Home|o'neil|" + password);

    EXPECT_EQ(Run({"Office", "ann"}, std::nullopt, password + "\r\nnext line\n").exitCode, 0);
    EXPECT_EQ(Read("Office.env"), "Office|ann|" + password);
}

TEST_F(DialerProgramTest, TerminationCancelsTheDialAndEndsUp)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("config")));
    env.insert(TRasDialer::PasswordVariable, "pw");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VANTREL_BIN_DIR "/Dialer"), {"Slow", "ann", "/nodlg"});
    ASSERT_TRUE(p.waitForStarted(5000));
    for (int i = 0; i < 500 && Read("slow.pid").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(Read("slow.pid").empty());
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_NE(::kill(std::stoi(Read("slow.pid")), 0), 0) << "Up still runs";
}
