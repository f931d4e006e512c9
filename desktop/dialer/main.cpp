// Dialer: brings one phone-book entry up and exits 0 when its link is up.
//
//   Dialer <entry> <user> [/nodlg]
//
// The password comes from DIAL_PASSWORD, or when that is not set, from the first line of standard
// input (not a terminal). It is never taken from the command line, where other users can read it.
// Exit status: 0 connected, 1 the dial failed, 2 bad arguments.

#include "desktop/dialup/RasDialer.h"
#include "platform/ByteText.h"
#include "platform/CoreDumps.h"
#include "platform/Guard.h"
#include "platform/Headless.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Bounded, so a parent that leaves our input open without writing cannot hang us.
constexpr int kStdinTimeoutMs = 10000;

int usage(const char* why)
{
    std::fprintf(stderr, "Dialer: %s\nUsage: Dialer <entry> <user> [/nodlg]\n", why);
    return 2;
}

std::string readPasswordLine()
{
    if (::isatty(STDIN_FILENO)) return {};
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStdinTimeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

int main(int argc, char* argv[])
{
    coredumps::disable();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (bytetext::equalsNoCase(a, "/nodlg")) continue;  // there is no dial window to suppress
        args.push_back(a);
    }
    if (args.size() < 2) return usage("an entry and a user name are needed");
    if (args.size() > 2)
        return usage("the password is not taken from the command line; set DIAL_PASSWORD or "
                     "write it to standard input");

    std::string password;
    if (const char* fromEnv = std::getenv(TRasDialer::PasswordVariable)) password = fromEnv;
    else password = readPasswordLine();

    QCoreApplication app(argc, argv);
    TRasDialer dialer;
    dialer.OnStatusChange = [](TRasDialer*, const std::string& status) {
        if (!status.empty()) std::printf("%s\n", status.c_str());
        std::fflush(stdout);
    };
    // SIGINT and SIGTERM cancel the dial, which ends the Up command.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &dialer,
                     [&dialer](int) { guard::absorb([&] { dialer.Cancel(); }); });

    const std::string& entry = args[0];
    dialer.SetService(entry);
    dialer.UserName = args[1];
    dialer.Password = password;
    try {
        if (dialer.Service().empty()) {
            const bool unreadable = dialer.LastError() == raserror::PhoneBookUnreadable;
            throw ERASError(unreadable ? raserror::PhoneBookUnreadable : raserror::EntryNotFound);
        }
        dialer.Connect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Dialer: %s: %s\n", entry.c_str(), e.what());
        return 1;
    }
    return 0;
}
