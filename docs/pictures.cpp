// Makes the README's pictures of the editor's windows: the main window with the FTP example
// opened and coloured (editor.png), the scripting wizard on its Host page (wizard.png) and the
// box the About command shows (about.png). Run by scripts/pictures.sh under Xvfb.

#include "controls/input/Cursors.h"
#include "controls/tabs/TearPageControl.h"
#include "controls/tabs/TearTabSheet.h"
#include "desktop/icons/ProgramIcons.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptWizard.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <filesystem>

namespace {

void Settle(int ms = 500)
{
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool Save(QWidget& window, const std::filesystem::path& png)
{
    Settle();
    const bool saved = window.grab().toImage().save(QString::fromStdString(png.string()));
    if (!saved) std::fprintf(stderr, "cannot write %s\n", png.c_str());
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pictures <example script> <docs folder>\n");
        return 2;
    }
    QApplication app(argc, argv);
    // The editor's own icon, as its start-up sets it, in the painted captions.
    QApplication::setWindowIcon(programicons::ProgramIcon("vantrel"));
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    RegisterInputCursors();
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "vantrel-pictures";
    const fs::path docs = argv[2];
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
    bool saved = Save(editor, docs / "editor.png");

    {
        TScriptWizard wizard(apppaths::configFolder() + "/phonebook.ini");
        wizard.show();
        wizard.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
        for (const auto& [name, text] : {std::pair{"Edit3", "127.0.0.1"}, {"Edit4", "tester"}, {"Edit5", "s3cret"}})
            wizard.Field(name)->setText(QString::fromLatin1(text));
        auto* pages = wizard.findChild<TTearPageControl*>(QStringLiteral("PageControl981"));
        for (int i = 0; pages && i < pages->PageCount(); ++i)
            if (pages->Pages(i)->Caption() == QStringLiteral("Host")) pages->SetActivePage(pages->Pages(i));
        saved = Save(wizard, docs / "wizard.png") && saved;
    }

    // Whatever window the About command opens is taken once it shows, then closed.
    bool aboutSaved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        aboutSaved = Save(*box, docs / "about.png");
        box->reject();
    });
    poll.start(100);
    QTimer::singleShot(10000, [&] { if (auto* box = QApplication::activeModalWidget()) box->close(); });
    editor.Action("About1")->trigger();
    saved = saved && aboutSaved;
    fs::remove_all(folder);
    return saved ? 0 : 1;
}
