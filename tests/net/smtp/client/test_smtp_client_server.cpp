// The SMTP client against a real server (aiosmtpd on 127.0.0.1), driven the way the runner does:
// Connect, Helo, Mail, Quit, each waited for; messages checked with Python's email parser.
#include "SmtpHarness.h"

#include "platform/DateTime.h"

#include <cstdlib>
#include <ctime>
#include "tests/support/SmtpTestServer.h"
#include "tests/support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

using smtptest::Driver;

class SmtpClientServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ok()) << server.error();
        d.client.Port = server.portText();
        d.client.HdrFrom = "Sender <sender@x.test>";
        d.client.HdrTo = "rcpt@y.test";
        d.client.HdrSubject = "Test mail";
    }
    void TearDown() override { datetime::setClockForTesting({}); }

    // The runner's sequence; returns Mail's error.
    int send()
    {
        EXPECT_EQ(d.request([&] { d.client.Connect(); }), 0) << d.client.ErrorMessage();
        EXPECT_EQ(d.request([&] { d.client.Helo(); }), 0) << d.client.ErrorMessage();
        const int error = d.request([&] { d.client.Mail(); });
        EXPECT_EQ(d.last.rq, smtpMail);
        d.request([&] { d.client.Quit(); });
        return error;
    }

    static std::vector<std::string> headerNames(const QJsonObject& mail)
    {
        std::vector<std::string> names;
        for (const auto& h : mail["headers"].toArray()) names.push_back(h.toArray()[0].toString().toStdString());
        return names;
    }
    static std::string header(const QJsonObject& mail, const char* name)
    {
        for (const auto& h : mail["headers"].toArray())
            if (h.toArray()[0].toString() == name) return h.toArray()[1].toString().toStdString();
        return "(none)";
    }
    static std::string payload(const QJsonObject& part)
    {
        return QByteArray::fromHex(part["hex"].toString().toLatin1()).toStdString();
    }
    // The body of a raw message: what follows the empty line after the header.
    static std::string bodyOf(const std::string& raw) { return raw.substr(raw.find("\r\n\r\n") + 4); }

    SmtpTestServer server;
    Driver d;
};

TEST_F(SmtpClientServer, PlainMailToTwoRecipients)
{
    datetime::setClockForTesting([] { return CivilTime{2024, 3, 3, 9, 5, 7, 0}; });
    // The Date header carries the local zone's offset.
    const char* oldZone = std::getenv("TZ");
    const std::string savedZone = oldZone ? oldZone : "";
    ::setenv("TZ", "IST-5:30", 1);
    ::tzset();
    struct RestoreZone {
        std::string zone;
        bool had;
        ~RestoreZone()
        {
            if (had) ::setenv("TZ", zone.c_str(), 1);
            else ::unsetenv("TZ");
            ::tzset();
        }
    } restoreZone{savedZone, oldZone != nullptr};
    d.client.FromName = "FTP Script EXE - trevask <sender@x.test>";
    d.client.SetRcptName({"a@y.test", " b@y.test "});
    d.client.HdrTo = "a@y.test;b@y.test";
    d.client.HdrSubject = "Report\r\nBcc: hidden@z.test";
    d.client.OnHeaderLine = [](TCustomSmtpSender*, std::string& msg, int) {
        if (msg.rfind("From:", 0) == 0) msg += "\r\nXMailer: Quorvel's FTP Vantrel";
    };
    d.body = {"Line one\rLine two\r\rLine four"};
    ASSERT_EQ(send(), 0) << d.client.ErrorMessage();

    const auto all = server.messages();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].sender, "sender@x.test");
    EXPECT_EQ(all[0].recipients, (std::vector<std::string>{"a@y.test", "b@y.test"}));
    const QJsonObject mail = SmtpTestServer::parseMail(all[0].path);
    EXPECT_EQ(headerNames(mail), (std::vector<std::string>{"From", "XMailer", "To", "Subject", "Mime-Version",
                                                            "Content-Type", "Date"}));
    EXPECT_EQ(header(mail, "Subject"), "Report  Bcc: hidden@z.test");
    EXPECT_EQ(header(mail, "Date"), "Sun, 3 Mar 2024 09:05:07 +0530");
    EXPECT_EQ(header(mail, "Content-Type"), "text/plain; charset=\"iso-8859-1\"");
    EXPECT_TRUE(mail["defects"].toArray().isEmpty());
    EXPECT_EQ(bodyOf(all[0].raw), "Line one\r\nLine two\r\n\r\nLine four\r\n");
    EXPECT_FALSE(d.client.Connected());
}

TEST_F(SmtpClientServer, DotsAndLongLinesArriveIntact)
{
    const std::string longLine(1200, 'a');
    d.body = {".x", ".", longLine, "..two", "end"};
    ASSERT_EQ(send(), 0) << d.client.ErrorMessage();
    const auto all = server.messages();
    ASSERT_EQ(all.size(), 1u);
    // SMTP cannot carry a 1200-byte line; it arrives wrapped at 998.
    EXPECT_EQ(bodyOf(all[0].raw), ".x\r\n.\r\n" + std::string(998, 'a') + "\r\n" + std::string(202, 'a') +
                                      "\r\n..two\r\nend\r\n");
    // The display shows each body line as given.
    EXPECT_NE(std::find(d.display.begin(), d.display.end(), "> ."), d.display.end());
}

TEST_F(SmtpClientServer, AttachmentsDecodeByteExact)
{
    datetime::setClockForTesting([] { return CivilTime{2024, 3, 3, 9, 5, 7, 0}; });
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 1000; ++i) binary += static_cast<char>((i * 37 + i / 7) & 0xFF);
    binary += "\r\n.\r\n";  // a line-end and dot run inside the data changes nothing
    const std::string empty = dir.write("empty.dat", "");
    const std::string bin = dir.write("we\"ird\\name.bin", binary);
    d.client.SetEmailFiles({empty, bin});
    d.body = {"See the files.", ".hidden dot"};
    ASSERT_EQ(send(), 0) << d.client.ErrorMessage();

    const auto all = server.messages();
    ASSERT_EQ(all.size(), 1u);
    const QJsonObject mail = SmtpTestServer::parseMail(all[0].path);
    EXPECT_TRUE(mail["multipart"].toBool());
    // Random, not the clock's: a text cannot know it beforehand.
    const std::string boundary = mail["boundary"].toString().toStdString();
    EXPECT_EQ(boundary.rfind("= Multipart Boundary ", 0), 0u) << boundary;
    EXPECT_EQ(boundary.size(), 21u + 32u) << boundary;
    EXPECT_EQ(boundary.find("Mar03240905"), std::string::npos) << boundary;
    EXPECT_TRUE(mail["defects"].toArray().isEmpty()) << QJsonDocument(mail).toJson().toStdString();
    const QJsonArray parts = mail["parts"].toArray();
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0].toObject()["type"].toString(), "text/plain");
    EXPECT_EQ(payload(parts[0].toObject()), "See the files.\n.hidden dot\n");  // the parser's line ends
    struct Expect {
        const char* name;
        std::string bytes;
    } files[] = {{"empty.dat", ""}, {"we\"ird\\name.bin", binary}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject part = parts[i + 1].toObject();
        SCOPED_TRACE(files[i].name);
        EXPECT_EQ(part["type"].toString(), "application/octet-stream");
        EXPECT_EQ(part["encoding"].toString(), "base64");
        EXPECT_EQ(part["filename"].toString().toStdString(), files[i].name);
        EXPECT_EQ(payload(part), files[i].bytes);
        EXPECT_TRUE(part["defects"].toArray().isEmpty());
    }
    // Base64 lines hold 60 characters, the last one fewer.
    const std::string raw = all[0].raw;
    const std::size_t start = raw.find("\r\n\r\n", raw.find("filename=\"we")) + 4;
    EXPECT_EQ(raw.find("\r\n", start) - start, 60u);

    // A later message without files is plain text again.
    d.client.SetEmailFiles({});
    ASSERT_EQ(send(), 0) << d.client.ErrorMessage();
    ASSERT_EQ(server.messages().size(), 2u);
    const QJsonObject plain = SmtpTestServer::parseMail(server.messages()[1].path);
    EXPECT_FALSE(plain["multipart"].toBool());
}

TEST_F(SmtpClientServer, FailedTextIsNeverDelivered)
{
    struct Case {
        const char* name;
        bool throwInGetData;  // else an attachment that opens but cannot be read
        const char* errorMessage;
    } cases[] = {
        {"exception in OnGetData", true, "500 no more text"},
        {"unreadable attachment", false, "500 Cannot read file '"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Driver run;
        run.client.Port = server.portText();
        if (c.throwInGetData) {
            run.client.OnGetData = [](TCustomSmtpSender*, int n, std::string& line, int, bool&) {
                if (n > 1) throw Exception("no more text");
                line = "first line";
            };
        } else {
            // A regular file that opens, but whose reading fails (address 0 is never mapped).
            run.client.SetEmailFiles({"/proc/self/mem"});
        }
        ASSERT_EQ(run.request([&] { run.client.Connect(); }), 0);
        ASSERT_EQ(run.request([&] { run.client.Helo(); }), 0);
        EXPECT_EQ(run.request([&] { run.client.Mail(); }), 500);
        EXPECT_EQ(run.client.ErrorMessage().rfind(c.errorMessage, 0), 0u) << run.client.ErrorMessage();
        EXPECT_FALSE(run.client.Connected());  // closed without the final dot
        EXPECT_EQ(run.request([&] { run.client.Quit(); }), 0);
    }
    waiting::pauseFor(200);
    EXPECT_TRUE(server.messages().empty());
}

TEST_F(SmtpClientServer, OpenAndMailChains)
{
    d.client.SetRcptName({"nobody@y.test", "rcpt@y.test"});  // the test server refuses "nobody"
    ASSERT_EQ(d.request([&] { d.client.Open(); }), 0) << d.client.ErrorMessage();
    EXPECT_EQ(d.last.rq, smtpOpen);
    EXPECT_EQ(d.client.State(), smtpReady);
    EXPECT_EQ(d.request([&] { d.client.Mail(); }), 0) << d.client.ErrorMessage();
    EXPECT_EQ(d.client.ErrorMessage(), "550 No such user here");
    EXPECT_EQ(d.request([&] { d.client.Rset(); }), 0);
    EXPECT_EQ(d.last.rq, smtpRset);
    EXPECT_EQ(d.request([&] { d.client.Quit(); }), 0);
    EXPECT_EQ(d.last.rq, smtpQuit);
    ASSERT_EQ(server.messages().size(), 1u);
    EXPECT_EQ(server.messages()[0].recipients, std::vector<std::string>{"rcpt@y.test"});
}

}  // namespace
