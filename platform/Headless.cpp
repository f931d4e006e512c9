#include "platform/Headless.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace headless {

void useOffscreenWhenNoDisplay()
{
    auto set = [](const char* n) { const char* v = std::getenv(n); return v && *v; };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace headless

namespace {
int gPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const unsigned char b = static_cast<unsigned char>(sig);
    if (gPipe[1] >= 0) {
        [[maybe_unused]] ssize_t n = ::write(gPipe[1], &b, 1);
    }
}
}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (gPipe[0] < 0) {
        if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
}

void TerminationSignals::readPipe()
{
    unsigned char b = 0;
    while (::read(gPipe[0], &b, 1) == 1) emit terminationRequested(b);
}
