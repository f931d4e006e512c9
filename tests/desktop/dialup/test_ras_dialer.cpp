#include "desktop/dialup/RasDialer.h"
#include "platform/IniFile.h"
#include "tests/desktop/dialup/PhoneBookFixture.h"

#include <QTimer>
#include <csignal>
#include <sys/stat.h>
#include <vector>

namespace {

class RasDialerTest : public PhoneBookFixture {
protected:
    RasDialerTest()
    {
        dialer.SetPhoneBookPath(book);
        dialer.OnStatusChange = [this](TRasDialer*, const std::string& s) { statuses.push_back(s); };
        dialer.OnDisconnected = [this](TRasDialer*) { ++disconnects; };
    }

    TRasDialer dialer;
    std::vector<std::string> statuses;
    int disconnects = 0;
};

}  // namespace

TEST_F(RasDialerTest, EntriesInFileOrderAndServiceInThePhoneBooksSpelling)
{
    EXPECT_EQ(dialer.GetEntries(), (std::vector<std::string>{"Home", "Office", "Broken", "Slow", "Stored"}));
    const struct {
        const char* set;
        const char* service;
    } cases[] = {{"office", "Office"}, {"HOME", "Home"}, {"Nowhere", ""}, {"Slow", "Slow"}, {"", ""}};
    for (const auto& c : cases) {
        dialer.SetService("Stored");
        dialer.SetService(c.set);
        EXPECT_EQ(dialer.Service(), c.service) << c.set;
    }
}

TEST_F(RasDialerTest, AnEmptyPhoneBookLeavesServiceAsItWas)
{
    TRasDialer empty(nullptr, dir.file("none.ini"));
    EXPECT_FALSE(empty.HasEntries());
    empty.SetService("Anything");
    EXPECT_EQ(empty.Service(), "");
    dialer.SetService("Office");
    dialer.SetPhoneBookPath(dir.file("none.ini"));
    dialer.SetService("Home");
    EXPECT_EQ(dialer.Service(), "Office");
    dialer.HangUp();
    EXPECT_EQ(dialer.ConnectionHandle(), -1);
}

TEST_F(RasDialerTest, CheckConnectionWithAndWithoutForceService)
{
    Touch("Office.up");
    dialer.SetService("home");
    EXPECT_FALSE(dialer.CheckConnection());
    dialer.ForceService = false;
    EXPECT_TRUE(dialer.CheckConnection());
    EXPECT_EQ(dialer.ConnectionEntry(), "Office");
    EXPECT_EQ(dialer.ConnectionHandle(), 1);

    // A mis-cased name still finds its own connection.
    dialer.ForceService = true;
    dialer.SetService("OFFICE");
    EXPECT_TRUE(dialer.CheckConnection());
    EXPECT_EQ(dialer.ConnectionHandle(), 1);
}

TEST_F(RasDialerTest, ALongPhoneBookHasNoLimit)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += Entry("Line" + std::to_string(i));
    const std::string path = dir.write("long.ini", text);
    Touch("Line39.up");
    TRasDialer longBook(nullptr, path);
    EXPECT_EQ(longBook.GetEntries().size(), 40u);
    longBook.ForceService = false;
    EXPECT_TRUE(longBook.CheckConnection());
    EXPECT_EQ(longBook.ConnectionEntry(), "Line39");
    EXPECT_EQ(longBook.ConnectionHandle(), 39);
}

TEST_F(RasDialerTest, ConnectOnAConnectedEntryDialsNothingAndHangUpLeavesItUp)
{
    Touch("Home.up");
    dialer.SetService("Home");
    dialer.Connect();
    EXPECT_TRUE(dialer.Connected());
    EXPECT_FALSE(dialer.OwnsConnection());
    EXPECT_FALSE(Exists("Home.env"));  // Up did not run
    dialer.HangUp();
    EXPECT_TRUE(Exists("Home.up"));
    EXPECT_FALSE(Exists("Home.down"));
    EXPECT_EQ(disconnects, 0);
}

TEST_F(RasDialerTest, DialAndHangUp)
{
    dialer.SetService("Home");
    dialer.UserName = "ann";
    dialer.Password = "pw";
    dialer.Connect();
    EXPECT_TRUE(dialer.Connected());
    EXPECT_TRUE(dialer.OwnsConnection());
    EXPECT_FALSE(dialer.Failed());
    EXPECT_EQ(dialer.ConnectionHandle(), 0);
    EXPECT_EQ(Read("Home.env"), "Home|ann|pw");
    EXPECT_EQ(statuses, (std::vector<std::string>{TRasDialer::StatusText(rasOpenPort),
                                                  TRasDialer::StatusText(rasConnectDevice),
                                                  TRasDialer::StatusText(rasConnected)}));
    EXPECT_TRUE(dialer.CheckConnection());

    dialer.HangUp();
    EXPECT_FALSE(Exists("Home.up"));
    EXPECT_TRUE(Exists("Home.down"));
    EXPECT_EQ(disconnects, 1);
    EXPECT_FALSE(dialer.Connected());
    EXPECT_EQ(dialer.ConnectionHandle(), -1);
}

TEST_F(RasDialerTest, QuotesAndDollarsReachUpUnchanged)
{
    const std::string password = R"(it's "$HOME" `id` $(id) \$x;)";
    dialer.SetService("Office");
    dialer.UserName = "o'neil $USER";
    dialer.Password = password;
    dialer.Connect();
    EXPECT_EQ(Read("Office.env"), "Office|o'neil $USER|" + password);
}

TEST_F(RasDialerTest, AFailingUpIsAnErrorAndIsHungUp)
{
    dialer.SetService("Broken");
    try {
        dialer.Connect();
        FAIL() << "no error";
    } catch (const ERASError& e) {
        EXPECT_EQ(e.Code(), raserror::DialFailed);
        EXPECT_EQ(e.message(), "The Up command failed with exit status 3");
    }
    EXPECT_TRUE(dialer.Failed());
    EXPECT_FALSE(dialer.Connected());
    EXPECT_EQ(dialer.LastError(), raserror::DialFailed);
    EXPECT_TRUE(Exists("broken-down"));
}

TEST_F(RasDialerTest, ATimedOutDialEndsItsUpCommand)
{
    dialer.SetService("Slow");
    dialer.TimeOut = 1;
    EXPECT_THROW(dialer.Connect(), ETimedOutError);
    EXPECT_TRUE(dialer.Failed());
    ASSERT_TRUE(Exists("slow.pid"));
    const pid_t pid = std::stoi(Read("slow.pid"));
    EXPECT_NE(::kill(pid, 0), 0) << "Up still runs";
}

TEST_F(RasDialerTest, ATimeOutOfZeroOrLessExpiresAtOnce)
{
    for (int timeOut : {0, -5}) {
        dialer.SetService("Slow");
        dialer.TimeOut = timeOut;
        EXPECT_THROW(dialer.Connect(), ETimedOutError) << timeOut;
        EXPECT_FALSE(Exists("slow.pid")) << timeOut;
    }
}

TEST_F(RasDialerTest, CancelEndsTheWaitAndTheUpCommand)
{
    dialer.SetService("Slow");
    // Cancelled once the Up command runs (it writes its pid first), however slow the machine.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!Exists("slow.pid") || Read("slow.pid").empty()) return;
        poll.stop();
        dialer.Cancel();
    });
    poll.start(20);
    EXPECT_THROW(dialer.Connect(), ECanceledError);
    EXPECT_TRUE(dialer.CanceledByUser());
    EXPECT_TRUE(dialer.Failed());
    const pid_t pid = std::stoi(Read("slow.pid"));
    EXPECT_NE(::kill(pid, 0), 0) << "Up still runs";
}

TEST_F(RasDialerTest, ConnectWithoutAServiceIsAnError)
{
    const struct {
        const char* service;
        int code;
    } cases[] = {{"", raserror::NoEntry}, {"Nowhere", raserror::NoEntry}};
    for (const auto& c : cases) {
        dialer.SetService(c.service);
        try {
            dialer.Connect();
            ADD_FAILURE() << c.service;
        } catch (const ERASError& e) {
            EXPECT_EQ(e.Code(), c.code) << c.service;
        }
        EXPECT_FALSE(dialer.Connected());
        EXPECT_TRUE(dialer.Failed());
    }
}

TEST_F(RasDialerTest, StoredDialParameters)
{
    dialer.GetEntryDialParams("stored");
    EXPECT_EQ(dialer.UserName, "keeper");
    EXPECT_EQ(dialer.Password, "secret");
    try {
        dialer.GetEntryDialParams("Nowhere");
        FAIL() << "no error";
    } catch (const ERASError& e) {
        EXPECT_EQ(e.message(), std::to_string(raserror::EntryNotFound));
    }

    // A stored password wins over Password.
    dialer.SetService("Stored");
    dialer.Password = "other";
    dialer.Connect();
    EXPECT_TRUE(dialer.Connected());
}

TEST_F(RasDialerTest, DialParametersAreStoredPrivatelyAndOnlyWhenTheyFit)
{
    const std::string before = TempDir::read(book);
    // Line breaks would write new keys into the phone book.
    dialer.SetService("Home");
    dialer.UserName = "ann\r\nUp=evil";
    try {
        dialer.Connect();
        FAIL() << "no error";
    } catch (const ERASError& e) {
        EXPECT_EQ(e.Code(), raserror::PhoneBookUnwritable);
    }
    EXPECT_EQ(TempDir::read(book), before);
    EXPECT_FALSE(Exists("Home.up"));

    dialer.UserName = "ann";
    dialer.Password = "pw";
    dialer.Connect();
    IniFile ini(book);
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("Home", "UserName"), "ann");
    EXPECT_FALSE(ini.hasValue("Home", "Password"));
    struct stat st {};
    ASSERT_EQ(::stat(book.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    dialer.HangUp();

    dialer.RemovePassword = false;
    dialer.Connect();
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString("Home", "Password"), "pw");
    IniFile original;
    original.parse(before);
    EXPECT_EQ(ini.sections(), original.sections());
    EXPECT_EQ(ini.readString("Office", "Up"), original.readString("Office", "Up"));
}
