// Login: greeting forms and USER/PASS replies against a scripted server, and both proxy forms
// against pyftpdlib standing in as the proxy.

#include "ClientTestSupport.h"
#include "FakeFtpServer.h"
#include "FtpTestServers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace clienttest;
using ftpfake::FakeFtpServer;
using ftpfake::Session;
using Lines = std::vector<std::string>;

TEST(FtpLogin, GreetingsAndUserReplies)
{
    const struct {
        const char* name;
        Lines greeting;  // pieces sent 50 ms apart
        const char* userReply;
        const char* passReply;
        bool closeAfterReply;
        Lines sent;
        const char* error;  // "" for a login that succeeds
    } cases[] = {
        {"plain", {"220 ready\r\n"}, "331 Password\r\n", "230 In\r\n", false, {"USER me", "PASS pw"}, ""},
        {"multi-line greeting", {"220-Welcome\r\n220-Second\r\n220 ready\r\n"}, "331 Password\r\n", "230 In\r\n",
         false, {"USER me", "PASS pw"}, ""},
        {"free text inside the greeting", {"220-Welcome\r\nno code here\r\n 220 indented\r\n", "220 ready\r\n"},
         "331 Password\r\n", "230 In\r\n", false, {"USER me", "PASS pw"}, ""},
        {"text before the greeting", {"Hello there\r\n", "220 ready\r\n"}, "331 Password\r\n", "230 In\r\n", false,
         {"USER me", "PASS pw"}, ""},
        {"greeting end without LF", {"220 ready\n"}, "331-Password\r\n331 needed\r\n", "230 In\r\n", false,
         {"USER me", "PASS pw"}, ""},
        {"230 to USER sends no PASS", {"220 ready\r\n"}, "230 No password needed\r\n", "", false, {"USER me"}, ""},
        {"exactly 400 to USER does not fail", {"220 ready\r\n"}, "400 Odd\r\n", "", false, {"USER me"}, ""},
        {"530 to USER", {"220 ready\r\n"}, "530 Not allowed\r\n", "", false, {"USER me", "QUIT"},
         "530 Not allowed\r\n"},
        {"530 to PASS", {"220 ready\r\n"}, "331 Password\r\n", "530 Wrong password\r\n", false,
         {"USER me", "PASS pw", "QUIT"}, "530 Wrong password\r\n"},
        {"login error kept when the clean-up fails", {"220 ready\r\n"}, "530 Go away\r\n", "", true, {"USER me"},
         "530 Go away\r\n"},
        {"refusing greeting", {"421 Too many users\r\n"}, "", "", false, {"QUIT"}, "421 Too many users\r\n"},
        {"a reply no server sends to USER", {"220 ready\r\n"}, "999 What\r\n", "", false, {"USER me", "QUIT"},
         "999 What\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFtpServer server(
            [&](Session& s) {
                for (std::size_t i = 0; i < c.greeting.size(); ++i) {
                    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    s.send(c.greeting[i]);
                }
            },
            [&](Session& s, const std::string& line) {
                if (line.starts_with("USER ")) s.send(c.userReply);
                else if (line.starts_with("PASS ")) s.send(c.passReply);
                else ftpfake::standardReply(s, line);
                if (c.closeAfterReply) s.close();
            });
        auto ftp = client(server.port(), "me", "pw");
        int logins = 0;
        ftp->OnConnect = [&](QObject*) { ++logins; };
        const std::string error = failureOf([&] { ftp->Connect(); });
        EXPECT_EQ(error, *c.error ? c.error : "(no failure)");
        EXPECT_EQ(ftp->GetConnected(), !*c.error);
        EXPECT_EQ(logins, *c.error ? 0 : 1);
        ftp.reset();  // QUIT for the logged-in ones
        Lines sent = server.lines();
        if (!*c.error && !sent.empty() && sent.back() == "QUIT") sent.pop_back();
        EXPECT_EQ(sent, c.sent);
    }
}

TEST(FtpLogin, StatusShowsTheUserButNeverThePassword)
{
    FakeFtpServer server([](Session& s) { s.send("220 ready\r\n"); }, ftpfake::standardReply);
    Lines log;  // before the session: its destructor still reports status
    auto ftp = client(server.port(), "me", "hidden-pw");
    recordStatus(*ftp, log);
    ftp->Connect();
    ftp->Disconnect();
    std::erase(log, "Request Close Socket");
    EXPECT_EQ(log, (Lines{"220 ready\r\n", "USER me", "331 Password required\r\n", "PASS ", "230 Logged in\r\n",
                          "QUIT", "221 Goodbye\r\n"}));
}

TEST(FtpLogin, BothProxyForms)
{
    // The proxy is asked for the real host inside the user name; "ftp.example" is never looked up.
    ftptest::FtpTestServer proxy(ftptest::ServerKind::Pyftpdlib, {},
                                 {{"me@ftp.example", "pw"}, {"me@pu@ftp.example", "pw@ppw"}});
    ASSERT_TRUE(proxy.running()) << proxy.failure();
    for (TFtpProxyType type : {proxyUserAfterLogin, proxyProxyUserLoginUser}) {
        Lines log;  // before the session: its destructor still reports status
        auto ftp = client(21, "me", "pw");
        ftp->Host = "ftp.example";
        ftp->Proxy = "127.0.0.1";
        ftp->ProxyPort = proxy.port();
        ftp->ProxyType = type;
        ftp->ProxyUser = "pu";
        ftp->ProxyPassword = "ppw";
        recordStatus(*ftp, log);
        EXPECT_EQ(failureOf([&] { ftp->Connect(); }), "(no failure)") << type;
        EXPECT_TRUE(ftp->GetConnected());
        EXPECT_EQ(ftp->GetCurrentDir(), "/");
        ftp->ProxyPassword = "wrong";
        ftp->Disconnect();
        if (type == proxyProxyUserLoginUser) {
            EXPECT_EQ(failureOf([&] { ftp->Connect(); }).substr(0, 4), "530 ");
            EXPECT_FALSE(ftp->GetConnected());
        }
    }
}

// A 1xx before a command's final reply is read past: taken as the reply, every later reply would be
// read one command late, and a refusal would pass for the success that came before it.
TEST(FtpLogin, PreliminaryRepliesAreReadPastAndUnknownRepliesFail)
{
    const struct {
        const char* name;
        const char* first;   // the reply to DELE a
        const char* second;  // the reply to DELE b
        const char* error;   // of DELE b; "" for none
    } cases[] = {
        {"150 then 250, then a refusal", "150 Working\r\n250 Deleted\r\n", "550 No such file\r\n", "550 No such file\r\n"},
        {"150 then 250, then a success", "150 Working\r\n250 Deleted\r\n", "250 Deleted\r\n", ""},
        {"a reply whose first digit is not 1 to 5", "250 Deleted\r\n", "999 Odd\r\n", "999 Odd\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFtpServer server([](Session& s) { s.send("220 ready\r\n"); },
                             [&](Session& s, const std::string& line) {
                                 if (line == "DELE a") {
                                     // The final reply comes later, after the client would
                                     // have sent its next command.
                                     const std::string first = c.first;
                                     const std::size_t cut = first.find("\r\n") + 2;
                                     s.send(first.substr(0, cut));
                                     std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                     if (cut < first.size()) s.send(first.substr(cut));
                                 }
                                 else if (line == "DELE b") s.send(c.second);
                                 else ftpfake::standardReply(s, line);
                             });
        auto ftp = client(server.port(), "me", "pw");
        ftp->Connect();
        EXPECT_EQ(failureOf([&] { ftp->Delete("a"); }), "(no failure)");
        EXPECT_EQ(failureOf([&] { ftp->Delete("b"); }), *c.error ? c.error : "(no failure)");
    }
}

// A 0xFF in a name is Telnet's IAC on the control connection: it goes doubled (RFC 854).
TEST(FtpLogin, ByteFfInACommandGoesDoubled)
{
    FakeFtpServer server([](Session& s) { s.send("220 ready\r\n"); },
                         [](Session& s, const std::string& line) {
                             if (line.starts_with("DELE ")) s.send("250 Deleted\r\n");
                             else ftpfake::standardReply(s, line);
                         });
    auto ftp = client(server.port(), "me", "pw");
    ftp->Connect();
    ftp->Delete("caf\xFF.txt");
    ftp.reset();
    EXPECT_EQ(server.lines(), (Lines{"USER me", "PASS pw", "DELE caf\xFF\xFF.txt", "QUIT"}));
}
