// One start of the editor as its main() does it, over the program folder given: the application,
// the cursors, the main window shown and painted; then it ends. Prints the milliseconds from its
// process's start (its exec, so loading the libraries counts) to the first paint; bench/start.sh
// times the whole process and its peak memory.

#include "controls/input/Cursors.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// The first paint of the window: what a person sees as "the editor is there".
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Seconds since boot, now and when this process was started (field 22 of /proc/self/stat).
double SinceBoot()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double ProcessStart()
{
    std::ifstream in("/proc/self/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));  // the name may hold blanks
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {}
    return std::stod(field) / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: start_bench <program folder>\n");
        return 2;
    }
    apppaths::setProgramFolderForTesting(argv[1]);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    RegisterInputCursors();
    WidgetSeams seams;
    TScriptingEditor editor(seams);
    seams.SetOwner(&editor);
    FirstPaint paint;
    editor.installEventFilter(&paint);
    editor.show();
    QElapsedTimer limit;
    limit.start();
    while (!(paint.painted && editor.windowHandle() && editor.windowHandle()->isExposed()) && limit.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!paint.painted) {
        std::fprintf(stderr, "the window was not painted within 10 s\n");
        return 1;
    }
    std::printf("%.1f\n", (SinceBoot() - ProcessStart()) * 1000);
    return 0;
}
