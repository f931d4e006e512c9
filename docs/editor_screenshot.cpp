// Makes docs/editor.png: the editor's main window with the FTP example script opened and
// coloured. Run by scripts/screenshot.sh under Xvfb.

#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: editor_screenshot <example script> <png>\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "vantrel-screenshot";
    fs::remove_all(folder);
    fs::create_directories(folder / "Scripts");
    const fs::path script = argv[1];
    fs::copy_file(script, folder / "Scripts" / script.filename());
    for (const char* other : {"MailExample.ftp", "Settings.inc.ftp"})
        if (fs::exists(script.parent_path() / other)) fs::copy_file(script.parent_path() / other, folder / "Scripts" / other);
    apppaths::setProgramFolderForTesting(folder.string());

    WidgetSeams seams;
    TScriptingEditor editor(seams);
    seams.SetOwner(&editor);
    editor.resize(900, 560);
    editor.show();
    editor.activateWindow();  // the title bar in its active colours
    editor.SelectScript(QString::fromStdString(script.filename().string()));
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    const bool saved = editor.grab().toImage().save(QString::fromLocal8Bit(argv[2]));
    fs::remove_all(folder);
    return saved ? 0 : 1;
}
