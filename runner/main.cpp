// Trevask: performs one script file and closes.

#include "controls/effects/EffApplication.h"
#include "controls/input/WindowHook.h"
#include "desktop/icons/ProgramIcons.h"
#include "platform/CoreDumps.h"
#include "platform/Guard.h"
#include "platform/Headless.h"
#include "platform/WidgetPrompt.h"
#include "runner/ScriptVantrel.h"
#include "runner/ScriptVantrelWindow.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <string_view>

namespace {

const char kUsage[] =
    "Usage: Trevask <script.ftp> [parameters...]\n"
    "Performs the script, logs every step to standard output and writes the log beside the\n"
    "script as <script>.History.txt. SIGINT, SIGTERM and SIGHUP act as Cancel.\n"
    "Exit status: 0 the run ended normally and no command failed; 1 it ended with an error;\n"
    "2 it ended normally after at least one failed command; 130 Cancel or SIGINT, 143 SIGTERM,\n"
    "129 SIGHUP ended it. Standard error gets one line at the end unless the status is 0.\n";

// Without a display the platform plugin's notices only clutter cron mail: keep real failures.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
}
}  // namespace

int main(int argc, char* argv[])
{
    // The log goes to standard output line by line on a terminal, in large blocks to a file or
    // a pipe (a per-line flush costs a system call per line); waits and the end flush it.
    static char outBuffer[64 * 1024];
    if (::isatty(STDOUT_FILENO)) std::setvbuf(stdout, nullptr, _IOLBF, 0);
    else std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    // A standard output nobody reads any more (a pipe closed early, a launcher that left) must
    // not end the run before its history file is written. Started programs get SIGPIPE back.
    std::signal(SIGPIPE, SIG_IGN);

    coredumps::disable();
    if (argc >= 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    headless::useOffscreenWhenNoDisplay();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform == "offscreen" || platform == "minimal") qInstallMessageHandler(quietMessages);
    THookedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("FTP Scripts vantrel..."));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(programicons::ProgramIcon("trevask"));
    if (headless::hasDisplay()) prompt::install(std::make_shared<WidgetPrompt>());
    // The effect library's application object, before the first window; it needs none. Its
    // instance flag only tells: runs of several scripts at once are meant to be.
    EffApplication();

    std::vector<std::string> parameters(argv + 1, argv + argc);
    TScriptVantrel engine(std::move(parameters));
    engine.EchoToStdout = true;
    // Without a display nobody could see the window, and building and repainting it (the
    // status line changes many times a second during a transfer) costs the run real time.
    std::unique_ptr<TScriptVantrelWindow> window;
    if (headless::hasDisplay()) {
        window = std::make_unique<TScriptVantrelWindow>(engine);
        window->show();
    } else {
        QObject::connect(&engine, &TScriptVantrel::closeRequested, &app,
                         [](int code) { QCoreApplication::exit(code); });
    }

    // SIGINT, SIGTERM and SIGHUP (an ssh session that drops) press Cancel.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &engine,
                     [&engine](int sig) { guard::absorb([&] { engine.CancelBySignal(sig); }); });
    return QApplication::exec();
}
