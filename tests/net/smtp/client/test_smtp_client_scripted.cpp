// The SMTP client against a scripted server, for replies a real server will not give: odd
// greetings, refusals at each step, broken reply lines, silence, and local failures.
#include "SmtpHarness.h"

#include "tests/support/TempDir.h"
#include "tests/support/ClosedPort.h"
#include "tests/support/Fifo.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <filesystem>

namespace {

using smtptest::Driver;
using smtptest::FakeServer;
using smtptest::pumpUntil;

std::string repeated(const std::string& line, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += line;
    return out;
}

// Connect and HELO through Open, against a server answering the usual way.
void openSession(Driver& d, FakeServer& s)
{
    d.client.Port = s.port();
    ASSERT_EQ(d.request([&] { d.client.Open(); }), 0) << d.client.ErrorMessage();
    ASSERT_EQ(d.last.rq, smtpOpen);
}

TEST(SmtpClientScripted, Greetings)
{
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string greeting;
        bool open;  // Open, else Connect
        int error;
        const char* errorMessage;
        bool connected;
    } cases[] = {
        {"two-line greeting", "220-smtp.test first\r\n220 smtp.test ready\r\n", true, 0, "", true},
        {"554 ends Open with 554", "554 no service here\r\n", true, 554, "554 no service here", false},
        {"554 ends Connect by the close", "554 no service here\r\n", false, 10004, "554 no service here", false},
        {"greeting without a number", "hello there\r\n", true, 500, "hello there", false},
        {"5000 bytes without CR LF", std::string(5000, 'x'), false, 500, "500 Reply line too long", false},
        {"greeting ended by LF alone", "220-smtp.test first\n220 smtp.test ready\n", true, 0, "", true},
        {"greeting holding NUL", "220 smtp\0test\r\n"s, false, 500, "500 Invalid reply line", false},
        {"an indented number is none", " 220 smtp.test\r\n", true, 500, " 220 smtp.test", false},
        {"multi-line greeting that never ends", repeated("220-more to come\r\n", 20000), false, 500,
         "500 Reply too long", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server(c.greeting, FakeServer::usual);
        Driver d;
        d.client.Port = server.port();
        EXPECT_EQ(d.request([&] { c.open ? d.client.Open() : d.client.Connect(); }), c.error);
        EXPECT_EQ(d.last.rq, c.open ? smtpOpen : smtpConnect);
        EXPECT_EQ(d.client.ErrorMessage(), c.errorMessage);
        EXPECT_EQ(d.client.Connected(), c.connected);
        EXPECT_EQ(d.client.State(), smtpReady);
        if (c.connected) {
            EXPECT_EQ(server.commands(), std::vector<std::string>{"HELO client.test"});
        } else {
            waiting::pauseFor(50);
            EXPECT_TRUE(server.commands().empty());  // no HELO on a refused session
        }
    }
}

TEST(SmtpClientScripted, ClosedPortAndNoHost)
{
    ClosedPort closed;
    Driver d;
    d.client.Port = std::to_string(closed.port());
    EXPECT_EQ(d.request([&] { d.client.Connect(); }), 10061);
    EXPECT_EQ(d.last.rq, smtpConnect);
    EXPECT_EQ(d.client.LastResponse().rfind("500 ", 0), 0u);
    EXPECT_NE(d.client.LastResponse().find("(Winsock error #10061)"), std::string::npos);

    // Inside Open the failed connect ends the chain with 500 instead of greeting nobody.
    Driver o;
    o.client.Port = std::to_string(closed.port());
    EXPECT_EQ(o.request([&] { o.client.Open(); }), 500);
    EXPECT_EQ(o.last.rq, smtpOpen);
    EXPECT_EQ(o.client.State(), smtpReady);

    // A port that names no service ends the request, reported like any other failure.
    Driver p;
    p.client.Port = "no-such-service";
    EXPECT_EQ(p.request([&] { p.client.Connect(); }), 500);
    EXPECT_EQ(p.client.ErrorMessage(), "500 SetPort: Cannot convert port 'no-such-service'");
    EXPECT_EQ(p.client.State(), smtpReady);

    // A Connect that cannot start raises and leaves the client ready for the next one.
    FakeServer server("220 ready\r\n", FakeServer::usual);
    Driver e;
    e.client.Host = "";
    e.client.Port = server.port();
    EXPECT_THROW(e.client.Connect(), Exception);
    EXPECT_EQ(e.client.State(), smtpReady);
    e.client.Host = "127.0.0.1";
    EXPECT_EQ(e.request([&] { e.client.Connect(); }), 0);
    EXPECT_TRUE(e.client.Connected());
}

TEST(SmtpClientScripted, RecipientRefusals)
{
    struct Case {
        const char* name;
        const char* first;
        const char* second;
        int error;
        const char* errorMessage;
        bool dataSent;
    } cases[] = {
        {"550 then 250", "550 no such user", "250 OK", 0, "550 no such user", true},
        {"250 then 550", "250 OK", "550 no such user", 0, "550 no such user", true},
        {"both refused", "550 first refused", "551 second refused", 550, "550 first refused", false},
        {"251 forwards", "251 will forward", "250 OK", 0, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> rcpt{0};
        const std::string first = std::string(c.first) + "\r\n", second = std::string(c.second) + "\r\n";
        FakeServer server("220 ready\r\n", [&](const std::string& line) {
            if (line.rfind("RCPT", 0) == 0) return rcpt++ == 0 ? first : second;
            return FakeServer::usual(line);
        });
        Driver d;
        openSession(d, server);
        d.client.SetRcptName({"a@y.test", "b@y.test"});
        EXPECT_EQ(d.request([&] { d.client.Mail(); }), c.error);
        EXPECT_EQ(d.last.rq, smtpMail);
        EXPECT_EQ(d.client.ErrorMessage(), c.errorMessage);
        const auto cmds = server.commands();
        ASSERT_GE(cmds.size(), 4u);
        EXPECT_EQ(cmds[2], "RCPT TO:<a@y.test>");
        EXPECT_EQ(cmds[3], "RCPT TO:<b@y.test>");
        EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "DATA"), c.dataSent ? 1 : 0);
        EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "."), c.dataSent ? 1 : 0);
    }
}

TEST(SmtpClientScripted, RefusedDataSendsNoText)
{
    FakeServer server("220 ready\r\n", [](const std::string& line) {
        return line == "DATA" ? std::string("554 no thanks\r\n") : FakeServer::usual(line);
    });
    Driver d;
    openSession(d, server);
    EXPECT_EQ(d.request([&] { d.client.Mail(); }), 554);
    EXPECT_EQ(d.client.ErrorMessage(), "554 no thanks");
    EXPECT_EQ(d.request([&] { d.client.Quit(); }), 0);
    // Nothing between the refused DATA and QUIT: the header and body were not sent as commands.
    EXPECT_EQ(server.commands(), (std::vector<std::string>{"HELO client.test", "MAIL FROM:<sender@x.test>",
                                                           "RCPT TO:<rcpt@y.test>", "DATA", "QUIT"}));
    EXPECT_TRUE(server.text().empty());
}

TEST(SmtpClientScripted, ReplyWithoutNumberIsAnError)
{
    FakeServer server("220 ready\r\n", [](const std::string& line) {
        return line.rfind("MAIL", 0) == 0 ? std::string("OK fine\r\n") : FakeServer::usual(line);
    });
    Driver d;
    openSession(d, server);
    EXPECT_EQ(d.request([&] { d.client.Mail(); }), 500);
    EXPECT_EQ(d.client.ErrorMessage(), "OK fine");
    EXPECT_EQ(server.commands().size(), 2u);  // no RCPT after the unanswered MAIL
}

TEST(SmtpClientScripted, SilentServerTimesOut)
{
    FakeServer server("220 ready\r\n", [](const std::string& line) {
        return line.rfind("HELO", 0) == 0 ? std::string() : FakeServer::usual(line);
    });
    Driver d;
    d.client.Port = server.port();
    d.client.SetReplyTimeout(200);
    ASSERT_EQ(d.request([&] { d.client.Connect(); }), 0);
    EXPECT_EQ(d.request([&] { d.client.Helo(); }), 10060);
    EXPECT_NE(d.client.ErrorMessage().find("(Winsock error #10060)"), std::string::npos);
    EXPECT_FALSE(d.client.Connected());  // a late reply can never answer a later command
    EXPECT_EQ(d.client.State(), smtpReady);
}

TEST(SmtpClientScripted, TheReplyTimeoutLimitsAWholeReplyThatTrickles)
{
    // Each line comes well within the time-out; the reply as a whole never ends.
    loopback::Listener listener;
    std::atomic<bool> stop{false};
    std::thread server([&] {
        FdHandle conn = listener.accept();
        for (int i = 0; conn.valid() && !stop && i < 200; ++i) {
            if (!loopback::sendAll(conn.get(), "220-still greeting\r\n")) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    Driver d;
    d.client.Port = listener.portText();
    d.client.SetReplyTimeout(400);
    EXPECT_EQ(d.request([&] { d.client.Connect(); }), 10060);
    EXPECT_FALSE(d.client.Connected());
    stop = true;
    server.join();
}

TEST(SmtpClientScripted, AttachmentThatIsNoRegularFileIsRefusedBeforeData)
{
    TempDir dir;
    Fifo fifo(dir.file("pipe"));
    ASSERT_TRUE(fifo.made());
    FakeServer server("220 ready\r\n", FakeServer::usual);
    Driver d;
    openSession(d, server);
    d.client.SetEmailFiles({fifo.path()});
    EXPECT_EQ(d.request([&] { d.client.Mail(); }), 500);
    EXPECT_EQ(d.client.ErrorMessage(), "500 Not a regular file '" + fifo.path() + "'");
    const auto cmds = server.commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "DATA"), 0);
    EXPECT_FALSE(fifo.unblocked());
}

TEST(SmtpClientScripted, Abort)
{
    struct Case {
        const char* name;
        bool mail;  // Mail, else a single Helo
        int error;
        const char* errorMessage;
    } cases[] = {
        {"inside Mail", true, 426, "426 Operation aborted."},
        {"single command", false, 10004, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Silent on MAIL and on the second HELO, so the request is outstanding when aborted.
        std::atomic<int> helos{0};
        FakeServer server("220 ready\r\n", [&](const std::string& line) {
            if (line.rfind("MAIL", 0) == 0) return std::string();
            if (line.rfind("HELO", 0) == 0 && helos++ > 0) return std::string();
            return FakeServer::usual(line);
        });
        Driver d;
        openSession(d, server);
        const std::size_t before = d.done.size();
        c.mail ? d.client.Mail() : d.client.Helo();
        ASSERT_TRUE(pumpUntil([&] { return server.commands().size() == 2; }));
        d.client.Abort();
        EXPECT_EQ(d.client.State(), smtpReady);
        ASSERT_TRUE(pumpUntil([&] { return d.done.size() > before; }));
        EXPECT_EQ(d.done.back().rq, c.mail ? smtpMail : smtpHelo);
        EXPECT_EQ(d.done.back().error, c.error);
        EXPECT_EQ(d.client.ErrorMessage(), c.errorMessage);
        EXPECT_FALSE(d.client.Connected());
        waiting::pauseFor(50);
        EXPECT_EQ(d.done.size(), before + 1);  // one end per request
    }
}

TEST(SmtpClientScripted, LineBreaksInArgumentsAreRefused)
{
    FakeServer server("220 ready\r\n", FakeServer::usual);
    Driver d;
    d.client.Port = server.port();
    ASSERT_EQ(d.request([&] { d.client.Connect(); }), 0);

    d.client.SignOn = "client.test\r\nRSET";
    EXPECT_THROW(d.client.Helo(), SmtpException);
    d.client.SignOn = "client.test";
    d.client.FromName = "a@x.test>\r\nRCPT TO:<victim@z.test";
    EXPECT_THROW(d.client.Mail(), SmtpException);
    EXPECT_THROW(d.client.MailFrom(), SmtpException);
    d.client.FromName = "a@x.test";
    d.client.SetRcptName({"ok@y.test", "b@y.test\nDATA"});
    EXPECT_THROW(d.client.Mail(), SmtpException);
    EXPECT_THROW(d.client.RcptTo(), SmtpException);
    d.client.SetRcptName({});
    EXPECT_THROW(d.client.Mail(), SmtpException);

    // Nothing went out, and the client is still ready.
    EXPECT_EQ(d.client.State(), smtpReady);
    EXPECT_EQ(d.request([&] { d.client.Helo(); }), 0);
    EXPECT_EQ(server.commands(), std::vector<std::string>{"HELO client.test"});
}

TEST(SmtpClientScripted, BusyAndIdleRequests)
{
    Driver idle;
    EXPECT_EQ(idle.request([&] { idle.client.Quit(); }), 0);
    EXPECT_EQ(idle.last.rq, smtpQuit);
    EXPECT_THROW(idle.client.Helo(), SmtpException);  // not connected

    FakeServer server("220 ready\r\n", [](const std::string& line) {
        return line.rfind("HELO", 0) == 0 ? std::string() : FakeServer::usual(line);
    });
    Driver d;
    d.client.Port = server.port();
    ASSERT_EQ(d.request([&] { d.client.Connect(); }), 0);
    try {
        d.client.Connect();
        ADD_FAILURE() << "a second Connect was taken";
    } catch (const SmtpException& e) {
        EXPECT_STREQ(e.what(), "SMTP component already connected");
    }
    d.client.Helo();
    try {
        d.client.Rset();
        ADD_FAILURE() << "a command was taken while another waits";
    } catch (const SmtpException& e) {
        EXPECT_STREQ(e.what(), "SMTP component not ready");
    }
    EXPECT_EQ(d.client.State(), smtpWaitingResponse);
    d.client.Abort();
}

TEST(SmtpClientScripted, AttachmentGoneBeforeData)
{
    TempDir dir;
    const std::string path = dir.write("report.bin", "data");
    FakeServer server("220 ready\r\n", FakeServer::usual);
    Driver d;
    openSession(d, server);
    d.client.SetEmailFiles({"  " + path + " ", ""});
    EXPECT_EQ(d.client.EmailFiles(), std::vector<std::string>{path});
    std::filesystem::remove(path);
    EXPECT_EQ(d.request([&] { d.client.Mail(); }), 500);
    EXPECT_EQ(d.client.ErrorMessage(), "500 File not found '" + path + "'");
    // Refused before DATA: the session is still good for QUIT.
    EXPECT_EQ(d.request([&] { d.client.Quit(); }), 0);
    const auto cmds = server.commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "DATA"), 0);
    EXPECT_EQ(cmds.back(), "QUIT");

    try {
        d.client.SetEmailFiles({path});
        ADD_FAILURE() << "a missing file was taken";
    } catch (const SmtpException& e) {
        EXPECT_EQ(e.what(), "File not found '" + path + "'");
    }
}

TEST(SmtpClientScripted, ExceptionInAHandlerEndsTheRequest)
{
    FakeServer server("220 ready\r\n", FakeServer::usual);
    Driver d;
    d.client.Port = server.port();
    d.client.OnResponse = [](TCustomSmtpSender*, const std::string&) { throw Exception("handler failed"); };
    EXPECT_EQ(d.request([&] { d.client.Connect(); }), 500);
    EXPECT_EQ(d.client.ErrorMessage(), "500 handler failed");
    EXPECT_EQ(d.client.State(), smtpReady);
    EXPECT_FALSE(d.client.Connected());
}

}  // namespace
