// Vantrel: the script editor.

#include "controls/input/Cursors.h"
#include "controls/input/WindowHook.h"
#include "desktop/icons/ProgramIcons.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "editor/StartUp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char* argv[])
{
    // An editor has nothing to offer without a screen; say so rather than run invisibly.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Vantrel: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                             "the editor needs one.\n");
        return 1;
    }
    THookedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setWindowIcon(programicons::ProgramIcon("vantrel"));
    // The desktop matches the windows with the installed entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantrel"));
    RegisterInputCursors();
    try {
        WidgetSeams seams;
        std::unique_ptr<TScriptingEditor> editor =
            StartEditor([&seams] { return std::make_unique<TScriptingEditor>(seams); });
        seams.SetOwner(editor.get());
        editor->show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        // Started from a desktop menu, nobody sees standard error; offscreen, nobody sees a box.
        std::fprintf(stderr, "Vantrel: %s\n", e.what());
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) WidgetSeams().Fail(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
