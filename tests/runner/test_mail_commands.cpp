// The mail commands through whole runs of the engine, against aiosmtpd on loopback; delivered
// messages are read back with Python's email parser.

#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "FakeFtpServer.h"
#include "runner/ScriptVantrel.h"
#include "tests/support/ServersRequired.h"
#include "tests/support/SmtpTestServer.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/LogLines.h"
#include "tests/support/ClosedPort.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using Lines = std::vector<std::string>;
using enginerun::Joined;

namespace {

std::string fromHex(const QString& hex)
{
    return QByteArray::fromHex(hex.toLatin1()).toStdString();
}

// A listener on loopback that takes connections (the kernel completes them) but never speaks.
class SilentServer {
public:
    SilentServer()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd_, 4) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

class MailCommands : public ::testing::Test {
protected:
    // One run of the script; `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> run(const Lines& lines, const std::function<void(TScriptVantrel&)>& before = {})
    {
        return runWith({enginerun::WriteScript(dir, "mail.ftp", lines)}, before);
    }
    std::unique_ptr<TScriptVantrel> runWith(Lines parameters, const std::function<void(TScriptVantrel&)>& before = {})
    {
        return enginerun::Run(std::move(parameters), [&](TScriptVantrel& e) {
            e.StartDir = dir.path();
            // A test that goes wrong ends in seconds, not after the client's two minutes.
            e.msMessage1.SetReplyTimeout(10000);
            if (before) before(e);
        });
    }
    Lines server(int port) const
    {
        return {"LET EmailServer = 127.0.0.1", "LET EmailPort = " + std::to_string(port),
                "LET EmailSender = robot@example.org", "LET EmailAddress = team", "LET EmailSubject = Weekly report"};
    }

    void expectReadAsWritten(const SmtpTestServer& receiver);

    TempDir dir;
    SmtpTestServer smtp;
};

}  // namespace

TEST_F(MailCommands, MessageWithRecipientsCcBodyAndAttachmentArrivesWhole)
{
    ASSERT_TRUE(smtp.ok()) << smtp.error();
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7 % 256);
    dir.write("data.bin", bytes);
    const std::string longLine(1500, 'x');
    auto e = run(Joined(server(smtp.port()), {
        "LET EmailUser = tester",
        "LET EmailText = 'Line one%%NewLine%%.dot line%%NewLine%%" + longLine + "%%NewLine%%last'",
        "ADDRECIPIENT ann@example.org",
        "ADDRECIPIENT bob@example.org",
        "ADDCCRECIPIENT cid@example.org \"Cid Copy\"",
        "ADDATTACHMENT data.bin",
        "SENDEMAIL",
    }));
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_TRUE(e->SuccessFlag);
    const Lines& log = e->Log();
    EXPECT_TRUE(contains(log, "   ---> Added \"ann@example.org\" as Recipient of an email message... !"));
    EXPECT_TRUE(contains(log, "   ---> Added \"cid@example.org\" as a CC Recipient of an email message... !"));
    EXPECT_TRUE(contains(log, "   ---> Added \"data.bin\" as attachment to an email message... !"));
    EXPECT_TRUE(contains(log, "   ---> Email with subject \"Weekly report sent... !"));
    EXPECT_TRUE(e->RecipientText.empty());
    EXPECT_TRUE(e->CcText.empty());
    EXPECT_TRUE(e->msMessage1.EmailFiles().empty());
    EXPECT_EQ(e->StatusText(), "");

    ASSERT_TRUE(smtp.waitForMessages(1));
    const SmtpTestServer::Message m = smtp.messages()[0];
    EXPECT_EQ(m.sender, "robot@example.org");
    EXPECT_EQ(m.recipients, (Lines{"ann@example.org", "bob@example.org", "cid@example.org"}));

    const QJsonObject mail = SmtpTestServer::parseMail(m.path);
    ASSERT_FALSE(mail.isEmpty());
    EXPECT_TRUE(mail["defects"].toArray().isEmpty());
    Lines names;
    std::map<std::string, std::string> value;
    for (const auto h : mail["headers"].toArray()) {
        const std::string name = h.toArray()[0].toString().toStdString();
        names.push_back(name);
        value[name] = h.toArray()[1].toString().toStdString();
    }
    EXPECT_EQ(names, (Lines{"From", "XMailer", "To", "Cc", "Subject", "Mime-Version", "Content-Type", "Date"}));
    EXPECT_EQ(value["From"], "FTP Script EXE - test_mail_commands <robot@example.org>");
    EXPECT_EQ(value["XMailer"], "Quorvel's FTP Vantrel");
    EXPECT_EQ(value["To"], "ann@example.org, bob@example.org");
    EXPECT_EQ(value["Cc"], "Cid Copy <cid@example.org>");
    EXPECT_EQ(value["Subject"], "Weekly report");

    const QJsonArray parts = mail["parts"].toArray();
    ASSERT_EQ(parts.size(), 2);
    // The body's lines, none cut: the long one only wrapped at the protocol's line limit.
    std::string text = fromHex(parts[0].toObject()["hex"].toString());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    EXPECT_EQ(text.rfind("Line one\n.dot line\n", 0), 0u) << text.substr(0, 40);
    std::string joined = text.substr(19);
    joined.erase(std::remove(joined.begin(), joined.end(), '\n'), joined.end());
    EXPECT_EQ(joined, longLine + "last");
    EXPECT_EQ(parts[1].toObject()["filename"].toString(), "data.bin");
    EXPECT_EQ(fromHex(parts[1].toObject()["hex"].toString()), bytes);
}

// What a mail reader shows: every recipient in To, and text that is not ASCII as it was written,
// whether the script is UTF-8 or Latin-1, with or without an attachment.
void MailCommands::expectReadAsWritten(const SmtpTestServer& receiver)
{
    dir.write("a.txt", "attached\n");
    struct Case {
        const char* what;
        std::string subject, name, body;  // script bytes
        QString shownSubject, shownName, shownBody;
        const char* charset;
        bool attach;
    } cases[] = {
        {"UTF-8", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln", "J\xC3\xBCrgen", "Umlaut body: Gr\xC3\xBC\xC3\x9F" "e",
         QString::fromUtf8("Grüße aus Köln"), QString::fromUtf8("Jürgen"), QString::fromUtf8("Umlaut body: Grüße\n"),
         "utf-8", false},
        {"UTF-8 with an attachment", "\xE2\x82\xAC " + std::string(60, 'x'), "Smith, John", "caf\xC3\xA9",
         QString::fromUtf8("€ ") + QString(60, 'x'), "Smith, John", QString::fromUtf8("café\n"), "utf-8", true},
        {"Latin-1", "Gr\xFC\xDF" "e", "J\xFCrgen", "K\xF6ln", QString::fromUtf8("Grüße"), QString::fromUtf8("Jürgen"),
         QString::fromUtf8("Köln\n"), "iso-8859-1", false},
        {"ASCII keeps its label", "Plain", "Cid", "plain", "Plain", "Cid", "plain\n", "iso-8859-1", true},
    };
    std::size_t sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Lines script = server(receiver.port());
        script[4] = "LET EmailSubject = " + c.subject;
        script.insert(script.end(), {"LET EmailText = " + c.body, "ADDRECIPIENT ann@example.org",
                                     "ADDRECIPIENT bob@example.org", "ADDCCRECIPIENT cid@example.org \"" + c.name + "\""});
        if (c.attach) script.push_back("ADDATTACHMENT a.txt");
        script.push_back("SENDEMAIL");
        auto e = run(script);
        EXPECT_TRUE(e->SuccessFlag) << bytetext::joinLinesCrLf(e->Log());
        ASSERT_TRUE(receiver.waitForMessages(++sent));
        const SmtpTestServer::Message m = receiver.messages().back();
        // Byte by byte: the header holds no 8-bit byte, the body holds the script's bytes.
        const std::string head = m.raw.substr(0, m.raw.find("\r\n\r\n"));
        EXPECT_FALSE(std::any_of(head.begin(), head.end(), [](char ch) { return static_cast<unsigned char>(ch) > 0x7F; }))
            << head;
        EXPECT_NE(m.raw.find(c.body), std::string::npos);

        const QJsonObject mail = SmtpTestServer::parseMail(m.path);
        ASSERT_FALSE(mail.isEmpty());
        EXPECT_TRUE(mail["defects"].toArray().isEmpty());
        EXPECT_TRUE(mail["readerDefects"].toArray().isEmpty()) << QJsonDocument(mail["readerDefects"].toArray()).toJson().toStdString();
        const QJsonObject decoded = mail["decoded"].toObject();
        EXPECT_EQ(decoded["Subject"].toString(), c.shownSubject);
        EXPECT_EQ(decoded["Cc"].toString().section(" <", 0, 0).remove('"'), c.shownName);
        const QJsonObject addresses = mail["addresses"].toObject();
        EXPECT_EQ(addresses["To"].toArray(), (QJsonArray{"ann@example.org", "bob@example.org"}));
        EXPECT_EQ(addresses["Cc"].toArray(), (QJsonArray{"cid@example.org"}));
        const QJsonObject text = mail["parts"].toArray()[0].toObject();
        EXPECT_EQ(text["charset"].toString(), c.charset);
        EXPECT_EQ(text["text"].toString(), c.shownBody);
    }
}

TEST_F(MailCommands, RecipientsAndTextThatIsNotAsciiReadAsWritten)
{
    ASSERT_TRUE(smtp.ok()) << smtp.error();
    expectReadAsWritten(smtp);
}

// The same through a mail server that delivers the message, adding its own trace lines.
TEST_F(MailCommands, RecipientsAndTextThatIsNotAsciiReadAsWrittenThroughOpenSmtpd)
{
    const SmtpTestServer delivering(SmtpTestServer::Kind::OpenSmtpd);
    if (!delivering.ok() && delivering.unavailable() && !TestServersRequired())
        GTEST_SKIP() << delivering.error();
    ASSERT_TRUE(delivering.ok()) << delivering.error();
    expectReadAsWritten(delivering);
}

// A server's folder name reaches the mail through a variable: its line ends cannot open a part
// of their own, not even with the boundary the message would have had by the clock.
TEST_F(MailCommands, ServerTextInTheBodyPlantsNoPart)
{
    ASSERT_TRUE(smtp.ok()) << smtp.error();
    std::string stamp;
    (void)datetime::formatDateTime("mmmddyyhhnn", datetime::now(), stamp);
    const std::string planted = "/in\r\r--= Multipart Boundary " + stamp +
                                "\rContent-Type: application/octet-stream;\r\tname=evil.txt\r"
                                "Content-Transfer-Encoding: base64\rContent-Disposition: attachment;\r"
                                "\tfilename=evil.txt\r\rZXZpbA==\r";
    ftpfake::FakeFtpServer ftp([](ftpfake::Session& s) { s.send("220 Ready\r\n"); },
                               [planted](ftpfake::Session& s, const std::string& line) {
                                   if (line == "PWD") s.send("257 \"" + planted + "\" is the current directory\r\n");
                                   else ftpfake::standardReply(s, line);
                               });
    dir.write("data.bin", "payload");
    auto e = run(Joined(server(smtp.port()), {
        "HOST=127.0.0.1", "PORT=" + std::to_string(ftp.port()), "USER=u", "PASSWORD=p", "CONNECT",
        "LET EmailText = 'Folder: %%CurrentRemoteDir%%%%NewLine%%--= Multipart Boundary " + stamp + "'",
        "DISCONNECT",
        "ADDRECIPIENT ann@example.org",
        "ADDATTACHMENT data.bin",
        "SENDEMAIL",
    }));
    EXPECT_EQ(e->ExitCode(), 0) << bytetext::joinLinesCrLf(e->Log());
    ASSERT_TRUE(smtp.waitForMessages(1));
    const QJsonObject mail = SmtpTestServer::parseMail(smtp.messages()[0].path);
    ASSERT_FALSE(mail.isEmpty());
    EXPECT_TRUE(mail["defects"].toArray().isEmpty());
    const QJsonArray parts = mail["parts"].toArray();
    ASSERT_EQ(parts.size(), 2) << smtp.messages()[0].raw;
    std::string text = fromHex(parts[0].toObject()["hex"].toString());
    EXPECT_NE(text.find("Folder: /in--= Multipart Boundary " + stamp + "Content-Type"), std::string::npos) << text;
    EXPECT_EQ(parts[1].toObject()["filename"].toString(), "data.bin");
    EXPECT_EQ(fromHex(parts[1].toObject()["hex"].toString()), "payload");
}

TEST_F(MailCommands, RefusedRecipientFailsTheCommandAndTheRunGoesOn)
{
    ASSERT_TRUE(smtp.ok()) << smtp.error();
    auto e = run(Joined(server(smtp.port()), {
        "LET EmailText = 'hello'",
        "ADDRECIPIENT nobody@example.org",
        "SENDEMAIL",
        "IF success",
        "MESSAGE wrongly sent",
        "ENDIF",
        // What was collected stays for the next try, on a clean session.
        "ADDRECIPIENT ann@example.org",
        "SENDEMAIL",
    }));
    EXPECT_EQ(e->ExitCode(), 2);
    const Lines& log = e->Log();
    EXPECT_TRUE(contains(log, "   ---> ** Error preparing email to \"team\", Subject \"Weekly report... !"));
    EXPECT_TRUE(contains(log, "           Error message: Error 550 occurred while sending mail..."));
    EXPECT_FALSE(contains(log, " MESSAGE wrongly sent"));
    // Sent to the one who took it; the refused one is named every time and fails the command.
    EXPECT_TRUE(contains(log, "   ---> Email with subject \"Weekly report sent... !"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "   ---> *** Recipient \"nobody@example.org\" refused: 550 No such user here"), 2);
    EXPECT_FALSE(e->SuccessFlag);
    ASSERT_TRUE(smtp.waitForMessages(1));
    EXPECT_EQ(smtp.messages().size(), 1u);
    EXPECT_EQ(smtp.messages()[0].recipients, (Lines{"ann@example.org"}));
}

TEST_F(MailCommands, EmptyRecipientsAreDroppedAndNoneLeftFails)
{
    ASSERT_TRUE(smtp.ok()) << smtp.error();
    auto e = run(Joined(server(smtp.port()), {
        "ADDRECIPIENT ann@example.org;",
        "SENDEMAIL",
        "SENDEMAIL",
        "MESSAGE after",
    }));
    EXPECT_EQ(e->ExitCode(), 2);
    EXPECT_TRUE(contains(e->Log(), "           Error message: No recipient for the email message"));
    EXPECT_TRUE(contains(e->Log(), " MESSAGE after"));
    EXPECT_FALSE(e->SuccessFlag);
    ASSERT_TRUE(smtp.waitForMessages(1));
    EXPECT_EQ(smtp.messages().size(), 1u);
    EXPECT_EQ(smtp.messages()[0].recipients, (Lines{"ann@example.org"}));
}

TEST_F(MailCommands, CollectingCommandsRefuseBadInput)
{
    const struct {
        std::string line, failure, message;
    } cases[] = {
        {"ADDATTACHMENT missing.txt", "   ---> *** Unable to attach \"missing.txt\" to an email message... !",
         "File not found '" + dir.file("missing.txt") + "'"},
        {"ADDRECIPIENT", "   ---> *** Unable to add \"\" as Recipient of the email message... !", "No address given"},
        {"ADDCCRECIPIENT \"\" Name", "   ---> *** Unable to add \"\" as a CC Recipient of the email message... !",
         "No address given"},
    };
    for (const auto& c : cases) {
        auto e = run({c.line});
        const Lines& log = e->Log();
        EXPECT_TRUE(contains(log, c.failure)) << c.line;
        EXPECT_TRUE(contains(log, "           Error message: " + c.message)) << c.line;
        EXPECT_FALSE(e->SuccessFlag) << c.line;
        EXPECT_TRUE(e->RecipientText.empty() && e->CcText.empty() && e->msMessage1.EmailFiles().empty()) << c.line;
    }
}

TEST_F(MailCommands, UnreachableServerFailsTheCommandOnly)
{
    ClosedPort closed;
    auto e = run(Joined(server(closed.port()), {"ADDRECIPIENT ann@example.org", "SENDEMAIL", "MESSAGE after"}));
    EXPECT_EQ(e->ExitCode(), 2);
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_TRUE(contains(e->Log(), "   ---> ** Error preparing email to \"team\", Subject \"Weekly report... !"));
    EXPECT_TRUE(contains(e->Log(), " MESSAGE after"));
    EXPECT_EQ(e->RecipientText, "ann@example.org");
}

TEST_F(MailCommands, CancelDuringSendEmailEndsTheRunWithHistory)
{
    SilentServer silent;
    ASSERT_GT(silent.port(), 0);
    auto e = run(Joined(server(silent.port()), {"ADDRECIPIENT ann@example.org", "SENDEMAIL", "MESSAGE after"}),
                 [](TScriptVantrel& engine) {
                     QTimer::singleShot(300, &engine, [&engine] { engine.Button1Click(); });
                 });
    EXPECT_FALSE(e->MailBusy);
    EXPECT_FALSE(e->SuccessFlag);
    const Lines& log = e->Log();
    EXPECT_FALSE(contains(log, " MESSAGE after"));
    EXPECT_TRUE(contains(log, "Error: Error 10004 occurred while sending mail..."));
    const std::string history = TempDir::read(dir.file("mail.History.txt"));
    EXPECT_NE(history.find("Error: Error 10004 occurred while sending mail..."), std::string::npos);
    EXPECT_NE(history.find(": End script mail.ftp ****"), std::string::npos);
}

TEST_F(MailCommands, ExampleScriptMailsTheLogOfItsPreviousRun)
{
    ASSERT_TRUE(smtp.ok()) << smtp.error();
    const std::string path = dir.write(
        "MailExample.ftp", TempDir::read(std::string(VANTREL_SOURCE_DIR) + "/examples/Scripts/MailExample.ftp"));
    const Lines parameters{path, "127.0.0.1", smtp.portText()};
    // The first run has no earlier log to mail.
    EXPECT_EQ(runWith(parameters)->ExitCode(), 0);
    EXPECT_TRUE(smtp.messages().empty());
    const std::string firstLog = TempDir::read(dir.file("MailExample.History.txt"));
    ASSERT_FALSE(firstLog.empty());

    auto e = runWith(parameters);
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_TRUE(e->SuccessFlag);
    ASSERT_TRUE(smtp.waitForMessages(1));
    const SmtpTestServer::Message m = smtp.messages()[0];
    EXPECT_EQ(m.recipients, (Lines{"operator@localhost"}));
    const QJsonObject mail = SmtpTestServer::parseMail(m.path);
    const QJsonArray parts = mail["parts"].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_NE(fromHex(parts[0].toObject()["hex"].toString()).find("The log of the previous run of " + path),
              std::string::npos);
    EXPECT_EQ(parts[1].toObject()["filename"].toString(), "MailExample.History.txt");
    EXPECT_EQ(fromHex(parts[1].toObject()["hex"].toString()), firstLog);
}
