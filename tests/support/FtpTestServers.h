#pragma once
// Real FTP servers for tests, on 127.0.0.1 over a folder of the test's: pyftpdlib (a user
// account and anonymous), vsftpd (anonymous), proftpd and pure-ftpd (a user account; unpacked
// by scripts/install-deps.sh). The server runs while the object lives.

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace ftptest {

enum class ServerKind { Pyftpdlib, Vsftpd, Proftpd, PureFtpd };
const char* KindName(ServerKind kind);

// The kinds a test over every server runs on: all of them where VANTREL_TEST_SERVERS_REQUIRED
// is set (CI: a missing one fails), else those this machine has, naming the others on stderr.
const std::vector<ServerKind>& ServerKinds();
// Those of ServerKinds() that log in to an account (all but vsftpd, which serves anonymously
// here: no CHMOD, and another server's account is not its login).
std::vector<ServerKind> AccountServerKinds();

class FtpTestServer {
public:
    // Starts the server over `root`, or over a temporary folder of its own when root is empty.
    // Waits at most 15 s for it to listen; running() tells whether it does.
    // pyftpdlib also accepts the extra accounts (user, password).
    using Accounts = std::vector<std::pair<std::string, std::string>>;
    explicit FtpTestServer(ServerKind kind, std::string root = {}, const Accounts& extra = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    bool running() const { return pid_ > 0 && port_ > 0; }
    // Why the server is not running (its own error output when it said something).
    const std::string& failure() const { return failure_; }
    ServerKind kind() const { return kind_; }
    int port() const { return port_; }
    // The folder a login starts in; files put here are served under their relative names.
    const std::string& root() const { return root_; }
    // A login the server accepts with USER and PASS (331 first): anonymous on vsftpd, else the
    // account.
    std::string user() const { return kind_ == ServerKind::Vsftpd ? "anonymous" : "tester"; }
    std::string password() const { return kind_ == ServerKind::Vsftpd ? "guest@example.com" : "s3cret"; }
    // What PWD answers after login: "/" where the session is changed root into root(), else
    // root() itself.
    const std::string& home() const { return home_; }

    // Ends the server (closing its input, then a signal) and waits for it.
    void stop();

private:
    ServerKind kind_;
    std::string work_;  // temporary folder of the fixture: the own root, the server's log
    std::string root_;
    std::string home_;
    std::string failure_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

}  // namespace ftptest
