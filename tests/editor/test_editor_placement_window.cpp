// The editor in a real window under a window manager (run by controls/input/realwindow/run.sh):
// minimized and brought back, it keeps its place, its list width and its toolbar picture.

#include "editor/EditorPanels.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "tests/support/EventWait.h"
#include "tests/support/FakeEditorSeams.h"
#include "tests/support/XdgHome.h"

#include <QApplication>
#include <QImage>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::string Picture(const TempDir& dir, const std::string& name, QColor colour)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    const std::string path = dir.file(name);
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
}

}  // namespace

TEST(EditorRealWindow, BroughtBackFromTheIconItKeepsWhatChanged)
{
    XdgHome home;
    TempDir program;
    apppaths::setProgramFolderForTesting(program.path());
    program.write("Scripts/First.ftp", "; first\r\nHOST=example\r\n");
    const std::string stored = Picture(program, "stored.png", QColor(200, 120, 40));
    const std::string chosen = Picture(program, "chosen.png", QColor(40, 160, 60));
    {
        IniFile ini(home.configHome() + "/vantrel/ftploc.ini");
        ini.writeString("ScriptMainScreen", "NormPos", "100,100,900,650");
        ini.writeString("ScriptMainScreen", "ShowCmd", "1");
        ini.writeString("ScriptMainScreen", "Panel1_Width", "200");
        ini.writeString("ScriptMainScreen", "EffFill1_FillObjectBitmap", stored);
        ASSERT_TRUE(ini.save());
    }
    FakeSeams seams;
    auto editor = std::make_unique<TScriptingEditor>(seams);
    const auto shown = [&] {
        return editor->windowHandle() && editor->windowHandle()->isExposed() && !editor->isMinimized();
    };
    editor->show();
    ASSERT_TRUE(WaitFor(shown)) << "the editor did not show";
    auto* panel = editor->findChild<TScriptsPanel*>("Panel1");
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return panel->width() == 200; })) << "stored width not restored: " << panel->width();

    editor->move(250, 180);
    ASSERT_TRUE(WaitFor([&] { return editor->geometry().topLeft() != QPoint(100, 100); })) << "the move did not land";
    const QPoint moved = editor->geometry().topLeft();
    panel->SetWidth(300);
    seams.picture = QString::fromStdString(chosen);
    editor->Action("Changebackground1")->trigger();
    ASSERT_TRUE(WaitFor([&] { return panel->width() == 300; }));

    editor->showMinimized();
    ASSERT_TRUE(WaitFor([&] { return !editor->windowHandle()->isExposed(); })) << "the editor was not minimized";
    editor->showNormal();
    ASSERT_TRUE(WaitFor(shown)) << "the editor did not come back";
    Settle();

    EXPECT_TRUE(shown()) << "minimized again";
    EXPECT_EQ(editor->geometry().topLeft(), moved);
    EXPECT_EQ(panel->width(), 300);
    EXPECT_EQ(editor->EffFill1()->FillObject()->Bitmap().toStdString(), chosen);
    if (const char* folder = std::getenv("VANTREL_SHOTS"))
        editor->grab().save(QString::fromStdString(std::string(folder) + "/editor-brought-back.png"));
    editor.reset();
    apppaths::setProgramFolderForTesting("");
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
